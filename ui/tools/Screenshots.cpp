// Renders the main dialog, the options dialog and the about box into PNG files in the
// folder given as the only argument.
#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <cstdio>

#include "platform/qt/CFileDialog.h"
#include "ui/CAboutDlg.h"
#include "ui/CMainDlg.h"

namespace {

bool Save(QWidget& w, const QString& path) {
  w.show();
  QApplication::processEvents();
  const bool ok = w.grab().save(path);
  w.hide();
  std::printf("%s %s\n", ok ? "wrote" : "FAILED", qPrintable(path));
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: velmorant-screenshots FOLDER\n");
    return 2;
  }
  const QDir dir(QString::fromLocal8Bit(argv[1]));
  bool ok = true;

  CMainDlg main;
  main.OnInitDialog();
  ok &= Save(main, dir.filePath("main.png"));
  platform::qt::CFileDialog::SetNextAnswer(
      {"/home/user/ログ/2003年スレッド.html", "/home/user/ログ/2004年スレッド.html"});
  main.OnAddInput();
  ok &= Save(main, dir.filePath("main-with-files.png"));

  main.m_dlgOptions.OnInitDialog();
  ok &= Save(main.m_dlgOptions, dir.filePath("options.png"));

  CAboutDlg about;
  ok &= Save(about, dir.filePath("about.png"));
  return ok ? 0 : 1;
}
