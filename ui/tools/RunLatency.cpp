// Measures how the main dialog answers during a run: converts LOG into OUTPUT through the
// dialog (as the run button does) while a 10 ms timer ticks on the dialog's thread, and
// prints the largest gap between two ticks and how often the bar moved. --stop presses Esc
// once the bar is half full, answers the question with Yes and prints how long the run took
// to end after the answer. --reverse-layer1 reverses layer 1 (Qt keeps --reverse for itself);
// without it the options are those of a first start, and each body is copied unchanged.
// --preview LOG opens the preview of LOG instead and prints how long its tree took to show.
#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLineEdit>
#include <QProgressBar>
#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeView>
#include <cstdio>

#include "platform/MessageBox.h"
#include "ui/CMainDlg.h"
#include "ui/resources/Strings.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  const QStringList args = QApplication::arguments().mid(1);
  const bool bStop = args.contains("--stop");
  const bool bPreview = args.contains("--preview");
  const QStringList files = QStringList(args).filter(QRegularExpression("^[^-]"));
  if (files.size() != (bPreview ? 1 : 2)) {
    std::fprintf(stderr,
                 "usage: velmorant-run-latency [--stop] [--reverse-layer1] LOG OUTPUT\n"
                 "       velmorant-run-latency --preview [--reverse-layer1] LOG\n");
    return 2;
  }
  QTemporaryDir settings;  // the user's window size and folders stay as they are
  QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings.path());
  QElapsedTimer clock;
  clock.start();
  qint64 answered = -1, closed = -1;
  const platform::ScopedMessageSink sink([&](const platform::Message& m) {
    std::printf("message at %lld ms: %s\n", clock.elapsed(), m.text.c_str());
    if (m.text == resources::kAskStop) answered = clock.elapsed();
    if (m.nType & platform::kMbYesNo) return platform::kIdYes;  // overwrite, stop
    closed = clock.elapsed();
    return platform::kIdOk;
  });

  CMainDlg dlg;
  dlg.OnInitDialog();
  dlg.AddInputFiles({files[0]});
  if (!bPreview) dlg.m_editOutput->setText(files[1]);
  if (args.contains("--reverse-layer1")) {
    dlg.m_bOptionsOpened = true;
    dlg.m_dlgOptions.m_abyReverse[1] = 1;
  }
  dlg.show();

  qint64 last = 0, maxGap = 0, ticks = 0, moves = 0, started = 0;
  int bar = -1;
  QTimer timer;
  QObject::connect(&timer, &QTimer::timeout, [&] {
    const qint64 now = clock.elapsed();
    if (ticks++ > 0) maxGap = std::max(maxGap, now - last);
    last = now;
    if (dlg.m_progress->value() != bar) {
      ++moves, bar = dlg.m_progress->value();
      if (qEnvironmentVariableIsSet("TRACE")) std::printf("%lld ms: bar %d\n", now, bar);
    }
    if (bStop && answered < 0 && bar >= dlg.m_progress->maximum() / 2) {
      QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
      QApplication::sendEvent(&dlg, &esc);
    }
    if (bPreview ? !dlg.m_dlgPreview.IsBusy() : !dlg.IsRunning()) QApplication::quit();
  });
  started = clock.elapsed();
  if (bPreview) {
    dlg.OnPreview();
  } else {
    dlg.OnRun();
  }
  timer.start(10);
  QApplication::exec();
  if (bPreview) {
    const QAbstractItemModel& tree = *dlg.m_dlgPreview.m_treeOutline->model();
    std::printf(
        "preview: %lld ms to the tree (%d top-level rows), timer ticks: %lld, largest gap "
        "between ticks: %lld ms\n",
        clock.elapsed() - started, tree.rowCount(), ticks, maxGap);
    return 0;
  }
  std::printf(
      "run: %lld ms, timer ticks: %lld, largest gap between ticks: %lld ms, bar moved %lld times\n",
      clock.elapsed() - started, ticks, maxGap, moves);
  if (bStop)
    std::printf("stop: %lld ms from the answer to the closing message\n", closed - answered);
  return 0;
}
