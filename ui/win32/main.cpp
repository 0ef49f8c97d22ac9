// The Windows desktop program: the main dialog, with the files named on the command line.
#include <windows.h>

#include <commctrl.h>
#include <objbase.h>
#include <shellapi.h>

#include <string>
#include <vector>

#include "platform/File.h"
#include "platform/win32/WidePath.h"
#include "ui/win32/CWinMainDlg.h"
#include "ui/win32/CWinMessageBox.h"
#include "ui/win32/TestPace.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  platform::OpenStandardStreams();  // before any file: none may become standard error
  // Single-threaded apartment: the file dialogs are COM objects of this thread.
  const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
  const INITCOMMONCONTROLSEX controls{
      sizeof(controls), ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS | ICC_LISTVIEW_CLASSES};
  InitCommonControlsEx(&controls);
  // Windows passes the arguments as UTF-16 whatever the code page; the dialog keeps UTF-8.
  std::vector<std::string> files;
  int argc = 0;
  if (wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc)) {
    for (int i = 1; i < argc; ++i) files.push_back(platform::Narrow(argv[i]));
    LocalFree(argv);
  }
  {
    win32ui::CWinMainDlg dlg;
    win32ui::ApplyTestPace(dlg.m_executor);
    win32ui::CWinMessageBox boxes;
    const auto sink = boxes.Install(dlg.Window());
    dlg.DoModal(files);
  }
  if (SUCCEEDED(com)) CoUninitialize();
  return 0;
}
