// Renders the dialogs into PNG files in the folder given as the only argument: the main
// dialog empty, with files, grown, and during a run (with its stop question and closing message),
// the options dialog, the about box, the two file dialogs, the preview window (as it opens,
// beside the dialog on the screen, with options, on a broken log) and the encoding question.
// Nothing of the user's settings is read or written.
#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPixmap>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>
#include <atomic>
#include <cstdio>
#include <thread>

#include "ui/CAboutDlg.h"
#include "ui/CMainDlg.h"
#include "ui/qt/CDialogBuilder.h"
#include "ui/qt/CFileDialog.h"
#include "ui/qt/CQtMessageBox.h"
#include "ui/qt/Translations.h"
#include "ui/resources/Strings.h"

namespace {

QDir g_out;
bool g_ok = true;

void Spin(int ms) {
  const QDeadlineTimer deadline(ms);
  while (!deadline.hasExpired()) QApplication::processEvents(QEventLoop::AllEvents, 10);
}

void Grab(QWidget& w, const QString& name) {
  const QString path = g_out.filePath(name);
  const bool ok = w.grab().save(path);
  g_ok &= ok;
  std::printf("%s %s\n", ok ? "wrote" : "FAILED", qPrintable(path));
}

void Save(QWidget& w, const QString& name, int settle = 0) {
  w.show();
  Spin(settle);
  QApplication::processEvents();
  Grab(w, name);
  w.hide();
}

// Grabs the next message box once it is shown and presses `button` in it.
void AnswerNextBox(const QString& name, QMessageBox::StandardButton button) {
  QTimer::singleShot(50, [name, button] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box) return AnswerNextBox(name, button);
    Grab(*box, name);
    box->button(button)->click();
  });
}

void WriteFile(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  g_ok &= file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// A board log of about `size` bytes, posts between <HR> tags.
QByteArray MakeLog(qsizetype size) {
  QByteArray log = "<HTML><BODY>\r\n";
  const QByteArray post = "<dl><dt>name</dt><dd>post text</dd></dl><HR>\r\n";
  log.reserve(size + 64);
  while (log.size() < size) log += post;
  return log + "</BODY></HTML>";
}

// The main dialog during a run on a large log, held when about half of the work is done.
void RunScreenshots(const QDir& folder) {
  const QByteArray log = MakeLog(64 << 20);
  WriteFile(folder.filePath("大きなログ.html"), log);
  CMainDlg main;
  main.OnInitDialog();
  main.AddInputFiles({folder.filePath("大きなログ.html")});
  main.m_editOutput->setText(folder.filePath("出力用のファイル.html"));
  main.m_editOutput->home(false);
  std::atomic<bool> release = false;
  auto inner = main.m_executor.m_searcher.m_checkpoint;
  main.m_executor.m_searcher.m_checkpoint = [&, inner](std::size_t pos) {
    inner(pos);
    while (pos + (4u << 20) >= static_cast<std::size_t>(log.size()) && !release &&
           main.m_nAbort == 0)
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    return inner(pos);
  };
  main.show();
  main.OnRun();
  const QDeadlineTimer deadline(20000);
  while (main.m_progress->value() < 450 && !deadline.hasExpired()) Spin(20);
  Grab(main, "main-running.png");
  AnswerNextBox("question-stop.png", QMessageBox::Yes);
  AnswerNextBox("message-stopped.png", QMessageBox::Ok);
  main.reject();  // asks whether to stop; the answer is Yes
  while (main.IsRunning() && !deadline.hasExpired()) Spin(20);
  release = true;
  main.hide();
}

// Waits until the preview shows what it was last asked for.
void Settle(CMainDlg& main) {
  const QDeadlineTimer deadline(20000);
  do Spin(50);
  while (main.m_dlgPreview.IsBusy() && !deadline.hasExpired());
}

// The preview window on the sample log: its structure as it first opens, the marks of a
// reversal with cuts, and a log that cannot be split; then the question asked before a run
// when the first input looks like UTF-8.
void PreviewScreenshots(const QDir& folder) {
  QFile sample(QStringLiteral(VELMORANT_SAMPLE_LOG));
  g_ok &= sample.open(QIODevice::ReadOnly);
  const QByteArray log = sample.readAll();
  const QString logPath = folder.filePath("2003年スレッド.html");
  WriteFile(logPath, log);
  CMainDlg main;
  main.OnInitDialog();
  main.AddInputFiles({logPath});
  main.show();
  main.move(main.screen()->availableGeometry().topLeft());
  Spin(200);
  main.OnPreview();
  Settle(main);
  Grab(main.m_dlgPreview, "preview.png");
  // Where it opens: beside the dialog, on the whole screen.
  const QString desktop = g_out.filePath("preview-beside.png");
  const bool ok = main.screen()->grabWindow(0).save(desktop);
  g_ok &= ok;
  std::printf("%s %s\n", ok ? "wrote" : "FAILED", qPrintable(desktop));

  // Layer 1 reversed, its first and last sections cut; layer 2 divided, its first cut.
  COptionDlg& o = main.m_dlgOptions;
  o.m_abyReverse[1] = 1;
  o.m_abyRange[1] = o.m_abyRange[2] = 1;
  o.m_nLeadCut = o.m_nLeadCutSel = 1;
  o.m_nTrailCut = o.m_nTrailCutSel = 1;
  main.m_bOptionsOpened = true;
  main.m_dlgPreview.Schedule();
  Settle(main);
  Grab(main.m_dlgPreview, "preview-options.png");

  // A closing tag with no block open, half-way through.
  const QString broken = folder.filePath("壊れたログ.html");
  const qsizetype at = log.indexOf("<dl>", log.size() / 2);
  WriteFile(broken, log.left(at) + "</TD>" + log.mid(at));
  main.AddInputFiles({broken});
  Settle(main);
  Grab(main.m_dlgPreview, "preview-fault.png");
  main.m_dlgPreview.hide();

  const QString utf8 = folder.filePath("新しいログ.html");
  WriteFile(utf8, "<HTML><BODY>\xE4\xB8\x80<HR>\xE4\xBA\x8C</BODY></HTML>");
  main.AddInputFiles({utf8});
  main.OnMoveUp();
  main.OnMoveUp();
  AnswerNextBox("question-encoding.png", QMessageBox::No);
  engine::RunInputs inputs;
  main.AskEncoding(inputs);
  main.hide();
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: velmorant-screenshots FOLDER\n");
    return 2;
  }
  g_out = QDir(QString::fromLocal8Bit(argv[1]));
  platform::qt::InstallQtTranslations(app);
  QApplication::setFont(platform::qt::CDialogBuilder::DialogFont());
  const platform::qt::CQtMessageBox messageBox(QString::fromUtf8(resources::kAppTitle));
  const auto sink = messageBox.Install();
  QTemporaryDir temp;
  QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, temp.path());
  const QDir logs(temp.filePath("ログ"));
  logs.mkpath(".");
  for (const char* name : {"2003年スレッド.html", "2004年スレッド.html", "メモ.txt"})
    WriteFile(logs.filePath(QString::fromUtf8(name)), "<HTML><BODY>x</BODY></HTML>");

  CMainDlg main;
  main.OnInitDialog();
  Save(main, "main.png");
  platform::qt::CFileDialog::SetNextAnswer(
      {logs.filePath("2003年スレッド.html"), logs.filePath("2004年スレッド.html")});
  main.OnAddInput();
  Save(main, "main-with-files.png");
  const QSize size = main.size();
  main.resize(size + QSize(240, 80));  // extra width to the list and the fields
  Save(main, "main-grown.png");
  main.resize(size);

  const QString filter = QString::fromUtf8(resources::kFileFilter);
  using Mode = platform::qt::CFileDialog::Mode;
  Save(*platform::qt::CFileDialog::Create(&main, Mode::kOpenFiles, logs.path(), filter),
       "file-open.png", 500);
  Save(*platform::qt::CFileDialog::Create(&main, Mode::kSave,
                                          logs.filePath("出力用のファイル.html"), filter),
       "file-save.png", 500);

  main.m_dlgOptions.OnInitDialog();
  Save(main.m_dlgOptions, "options.png");

  CAboutDlg about;
  Save(about, "about.png");

  RunScreenshots(QDir(temp.path()));
  PreviewScreenshots(logs);
  return g_ok ? 0 : 1;
}
