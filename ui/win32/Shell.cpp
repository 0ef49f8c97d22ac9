#include "ui/win32/Shell.h"

#include <shlobj.h>
#include <shobjidl.h>

#include "platform/win32/WidePath.h"

namespace win32ui {
namespace {

constexpr wchar_t kSettingsKey[] = L"Software\\Velmorant";

// Releases a COM interface at the end of its scope.
template <class T>
struct ComPtr {
  T* p = nullptr;
  ~ComPtr() {
    if (p) p->Release();
  }
  T** operator&() { return &p; }
  T* operator->() const { return p; }
};

// "Name (*.a *.b);;Other (*)" as the shell's filter pairs: the name, and "*.a;*.b".
struct Filters {
  std::vector<std::wstring> names, patterns;
  std::vector<COMDLG_FILTERSPEC> list;
  explicit Filters(const std::string& filter) {
    std::wstring all = platform::Widen(filter);
    for (std::size_t start = 0; start <= all.size();) {
      std::size_t end = all.find(L";;", start);
      if (end == std::wstring::npos) end = all.size();
      const std::wstring part = all.substr(start, end - start);
      const std::size_t open = part.rfind(L'('), close = part.rfind(L')');
      std::wstring pattern = open != std::wstring::npos && close > open
                                 ? part.substr(open + 1, close - open - 1)
                                 : L"*";
      for (wchar_t& c : pattern)
        if (c == L' ') c = L';';
      if (pattern == L"*") pattern = L"*.*";
      names.push_back(part);
      patterns.push_back(pattern);
      start = end + 2;
    }
    for (std::size_t i = 0; i < names.size(); ++i)
      list.push_back({names[i].c_str(), patterns[i].c_str()});
  }
};

void SetFolder(IFileDialog* dialog, const std::wstring& folder) {
  ComPtr<IShellItem> item;
  if (!folder.empty() &&
      SUCCEEDED(SHCreateItemFromParsingName(folder.c_str(), nullptr, IID_PPV_ARGS(&item))))
    dialog->SetFolder(item.p);
}

std::string PathOf(IShellItem* item) {
  PWSTR path = nullptr;
  if (FAILED(item->GetDisplayName(SIGDN_FILESYSPATH, &path))) return {};
  std::string utf8 = platform::Narrow(path);
  CoTaskMemFree(path);
  return utf8;
}

std::wstring FolderPart(const std::wstring& path) {
  const std::size_t slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

// Shows `dialog` over `owner` at `folder`, with the filters, the options `add` set and
// `remove` cleared; false when it was cancelled.
bool Show(IFileDialog* dialog, HWND owner, const std::wstring& folder, const std::string& filter,
          FILEOPENDIALOGOPTIONS add, FILEOPENDIALOGOPTIONS remove = 0) {
  const Filters filters(filter);
  dialog->SetFileTypes(static_cast<UINT>(filters.list.size()), filters.list.data());
  FILEOPENDIALOGOPTIONS options = 0;
  dialog->GetOptions(&options);
  dialog->SetOptions((options & ~remove) | add | FOS_FORCEFILESYSTEM);
  SetFolder(dialog, folder);
  return SUCCEEDED(dialog->Show(owner));
}

}  // namespace

std::vector<std::string> ChooseOpenFiles(HWND owner, const std::string& folder,
                                         const std::string& filter) {
  ComPtr<IFileOpenDialog> dialog;
  ComPtr<IShellItemArray> items;
  if (FAILED(CoCreateInstance(CLSID_FileOpenDialog, nullptr, CLSCTX_INPROC_SERVER,
                              IID_PPV_ARGS(&dialog))) ||
      !Show(dialog.p, owner, platform::Widen(folder), filter,
            FOS_ALLOWMULTISELECT | FOS_FILEMUSTEXIST) ||
      FAILED(dialog->GetResults(&items)))
    return {};
  DWORD count = 0;
  items->GetCount(&count);
  std::vector<std::string> paths;
  for (DWORD i = 0; i < count; ++i) {
    ComPtr<IShellItem> item;
    if (SUCCEEDED(items->GetItemAt(i, &item))) paths.push_back(PathOf(item.p));
  }
  return paths;
}

std::string ChooseSaveFile(HWND owner, const std::string& path, const std::string& filter) {
  ComPtr<IFileSaveDialog> dialog;
  if (FAILED(CoCreateInstance(CLSID_FileSaveDialog, nullptr, CLSCTX_INPROC_SERVER,
                              IID_PPV_ARGS(&dialog))))
    return {};
  const std::wstring wide = platform::Widen(path);
  const std::size_t slash = wide.find_last_of(L"\\/");
  dialog->SetFileName((slash == std::wstring::npos ? wide : wide.substr(slash + 1)).c_str());
  // The run asks before it overwrites anything, so the dialog does not.
  ComPtr<IShellItem> item;
  if (!Show(dialog.p, owner, FolderPart(wide), filter, 0, FOS_OVERWRITEPROMPT) ||
      FAILED(dialog->GetResult(&item)))
    return {};
  return PathOf(item.p);
}

std::string ReadSetting(const std::string& name) {
  const std::wstring value = platform::Widen(name);
  DWORD size = 0;
  if (RegGetValueW(HKEY_CURRENT_USER, kSettingsKey, value.c_str(), RRF_RT_REG_SZ, nullptr, nullptr,
                   &size) != ERROR_SUCCESS)
    return {};
  std::wstring text(size / sizeof(wchar_t) + 1, L'\0');
  size = static_cast<DWORD>(text.size() * sizeof(wchar_t));
  if (RegGetValueW(HKEY_CURRENT_USER, kSettingsKey, value.c_str(), RRF_RT_REG_SZ, nullptr,
                   text.data(), &size) != ERROR_SUCCESS)
    return {};
  text.resize(wcslen(text.c_str()));
  return platform::Narrow(text);
}

void WriteSetting(const std::string& name, const std::string& value) {
  HKEY key = nullptr;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                      nullptr) != ERROR_SUCCESS)
    return;
  const std::wstring text = platform::Widen(value);
  RegSetValueExW(key, platform::Widen(name).c_str(), 0, REG_SZ,
                 reinterpret_cast<const BYTE*>(text.c_str()),
                 static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
  RegCloseKey(key);
}

std::string DefaultOutputFolder() {
  std::wstring program(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, program.data(), static_cast<DWORD>(program.size()));
    if (n < program.size()) {
      program.resize(n);
      break;
    }
    program.resize(program.size() * 2);
  }
  const std::wstring folder = FolderPart(program);
  // Writable when a file can be made there (one that goes when closed).
  const std::wstring probe = folder + L"\\.velmorant-probe.tmp";
  const HANDLE file = CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  if (file != INVALID_HANDLE_VALUE) {
    CloseHandle(file);
    return platform::Narrow(folder);
  }
  PWSTR profile = nullptr;
  std::string home;
  if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_Profile, 0, nullptr, &profile)))
    home = platform::Narrow(profile);
  CoTaskMemFree(profile);
  return home;
}

}  // namespace win32ui
