// A run on a large log goes on beside the dialog: the dialog keeps answering, the bar moves,
// the controls that would change the run are off, and closing asks whether to stop; a stop
// leaves the old output byte for byte.
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <algorithm>
#include <atomic>
#include <thread>

#include "engine/Messages.h"
#include "tests/support/MessageRecorder.h"
#include "tests/support/TestFiles.h"
#include "ui/CMainDlg.h"
#include "ui/qt/CDialogBuilder.h"
#include "ui/resources/ControlIds.h"
#include "ui/resources/Strings.h"

using namespace resources;

using testing_support::MessageRecorder;
using testing_support::ReadFile;
using testing_support::TempDir;

namespace {

// Holds an executor at its first checkpoint past the middle of the file until released (or
// its abort flag is set), as a slow disk would; work on the dialog's thread would block the
// test here, and then find it given up.
class Hold {
 public:
  Hold(engine::CExecutor& executor, const std::atomic<int>& abort, std::size_t at) {
    auto inner = executor.m_searcher.m_checkpoint;
    executor.m_searcher.m_checkpoint = [this, inner, at, &abort](std::size_t pos) {
      inner(pos);  // publishes the progress
      int running = kRunning;
      if (pos >= at && m_state.compare_exchange_strong(running, kHeld)) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(3);
        while (m_state == kHeld && abort == 0 && std::chrono::steady_clock::now() < end)
          std::this_thread::sleep_for(std::chrono::milliseconds(1));
        m_bAborted = abort != 0;
        m_state = kPassed;
      }
      return inner(pos);
    };
  }
  bool IsHeld() const { return m_state == kHeld; }
  bool IsPassed() const { return m_state == kPassed; }
  bool WasAborted() const { return m_bAborted; }  // let go by the abort flag
  void Release() { m_state = kPassed; }

 private:
  enum { kRunning, kHeld, kPassed };
  std::atomic<int> m_state{kRunning};
  std::atomic<bool> m_bAborted{false};
};

// How the dialog is closed during a run: Esc, the close box, 終了, or its owner deletes it.
constexpr int kEsc = 1, kCloseBox = 2, kExit = 3, kDestroy = 4;

}  // namespace

class MainDlgRunTest : public QObject {
  Q_OBJECT

  std::unique_ptr<CMainDlg> m_dlg;
  QTimer m_timer;  // counts the turns of the dialog's event loop
  int m_ticks = 0;

  void Press(QWidget& dlg, int id) { platform::qt::GetDlgItem<QPushButton>(dlg, id)->click(); }
  // Lists the log `bytes` and returns its path.
  std::string Input(const TempDir& d, const std::string& bytes) {
    const std::string input = d.Write("log.html", bytes);
    m_dlg->AddInputFiles({QString::fromStdString(input)});
    return input;
  }

 private slots:
  void initTestCase() {
    static QTemporaryDir settings;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings.path());
    connect(&m_timer, &QTimer::timeout, this, [this] { ++m_ticks; });
  }
  void init() {
    m_dlg = std::make_unique<CMainDlg>();
    m_dlg->OnInitDialog();
    m_dlg->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_dlg.get()));
    m_timer.start(5);
  }
  void cleanup() {
    m_timer.stop();
    m_dlg.reset();
  }

  // How the dialog is closed while the run is held in the middle, the answer to the stop
  // question, whether it is given only once the run has reached its end (it then waits
  // before putting the output in place), and whether the run then stops. The bar is full at
  // the closing message when all the work was done, empty after it.
  void largeRun_data() {
    QTest::addColumn<int>("closing");
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("late");
    QTest::addColumn<bool>("stops");
    const int yes = platform::kIdYes, no = platform::kIdNo;
    QTest::newRow("Esc, Yes: stopped") << kEsc << yes << false << true;
    QTest::newRow("close box, No: runs on") << kCloseBox << no << false << false;
    QTest::newRow("終了, Yes: stopped") << kExit << yes << false << true;
    QTest::newRow("dialog deleted: stopped") << kDestroy << no << false << true;
    QTest::newRow("Esc, Yes once the run reached its end: the old output stays")
        << kEsc << yes << true << true;
    QTest::newRow("Esc, No once the run reached its end: the new output")
        << kEsc << no << true << false;
  }
  void largeRun() {
    QFETCH(int, closing);
    QFETCH(int, answer);
    QFETCH(bool, late);
    QFETCH(bool, stops);
    TempDir d;
    const std::string log = testing_support::MakeBoardLog(24u << 20);
    Input(d, log);
    const std::string output = d.Write("out.html", "the old output\r\n");
    m_dlg->m_editOutput->setText(QString::fromStdString(output));
    Hold hold(m_dlg->m_executor, m_dlg->m_nAbort, log.size() / 2);

    QStringList shown;
    int barAtClose = -1;
    const platform::ScopedMessageSink sink([&](const platform::Message& m) -> int {
      shown << QString::fromStdString(m.text);
      if (m.text == msg::kOverwrite) return platform::kIdYes;
      if (m.text != resources::kAskStop) {
        barAtClose = m_dlg->m_progress->value();
        return platform::kIdOk;
      }
      if (late) {  // until the run waits to put its output in place, or has put it there
        hold.Release();
        const QDeadlineTimer deadline(20000);
        while (!m_dlg->m_executor.m_commitGate.HasWaiter() &&
               QFileInfo(QString::fromStdString(output)).size() == 16 && !deadline.hasExpired())
          QTest::qWait(5);
      }
      return answer;
    });
    Press(*m_dlg, kIdRun);
    QTRY_VERIFY(hold.IsHeld());
    // Held half-way through the search, which is half of the work.
    QTRY_VERIFY2(m_dlg->m_progress->value() >= 250 && m_dlg->m_progress->value() <= 350,
                 qPrintable(QString::number(m_dlg->m_progress->value())));
    const int before = m_ticks;
    QTRY_VERIFY(m_ticks > before + 3);
    for (const int id : {kIdOutput, kIdAddInput, kIdRun, kIdDeleteInput, kIdInputList, kIdEuc,
                         kIdOptions, kIdSeparator})
      QVERIFY2(!platform::qt::GetDlgItem<QWidget>(*m_dlg, id)->isEnabled(),
               qPrintable(QString::number(id)));
    QVERIFY(platform::qt::GetDlgItem<QWidget>(*m_dlg, kIdOk)->isEnabled());

    if (closing == kEsc) QTest::keyClick(m_dlg.get(), Qt::Key_Escape);
    if (closing == kCloseBox) m_dlg->close();
    if (closing == kExit) Press(*m_dlg, kIdOk);
    if (closing == kDestroy) {
      m_dlg.reset();
    } else {
      QVERIFY(m_dlg->isVisible());
      hold.Release();
      QTRY_VERIFY_WITH_TIMEOUT(!m_dlg->IsRunning(), 20000);
      QCOMPARE(barAtClose == m_dlg->m_progress->maximum(), !stops || late);
      QCOMPARE(m_dlg->m_progress->value(), 0);
      QVERIFY(m_dlg->m_listInput->isEnabled());
    }

    QStringList expected = {msg::kOverwrite};
    if (closing != kDestroy) expected << resources::kAskStop;
    if (closing != kDestroy)
      expected << (stops ? QString(msg::kStopped) + "\n" + msg::kOutputUnchanged +
                               QString::fromStdString(output)
                         : QString(msg::kNormalEnd));
    QCOMPARE(shown, expected);
    // Without layers to reverse, the output is the log itself.
    QCOMPARE(ReadFile(output), stops ? std::string("the old output\r\n") : log);
  }

  // A large UTF-8 log is read whole before the run's encoding question: beside the dialog,
  // whose event loop goes on meanwhile. (No, and an empty output field: no run follows.)
  void largeUtf8LogLookedAtBeside() {
    TempDir d;
    std::string log = "<HTML><BODY>";
    while (log.size() < (64u << 20)) log += "<dl>名前 本文の行</dl><HR>\r\n";
    Input(d, log + "</BODY></HTML>");
    m_dlg->m_editOutput->clear();
    int ticksAtQuestion = -1;
    QStringList shown;
    const platform::ScopedMessageSink sink([&](const platform::Message& m) -> int {
      if (ticksAtQuestion < 0) ticksAtQuestion = m_ticks;
      shown << QString::fromStdString(m.text);
      return platform::kIdNo;
    });
    Press(*m_dlg, kIdRun);
    QCOMPARE(shown, QStringList({"「log.html」は UTF-8 のようです。UTF-8 として処理しますか？",
                                 msg::kNoOutput}));
    QVERIFY2(ticksAtQuestion >= 3, qPrintable(QString::number(ticksAtQuestion)));
    QVERIFY(platform::qt::GetDlgItem<QWidget>(*m_dlg, kIdRun)->isEnabled());
  }

  // The preview of a large log is made beside the dialog: held half-way, the dialog's event
  // loop goes on; a change of the options then stops it through its abort flag, and the tree
  // shown is that of the new options. No message box is shown.
  void largePreview() {
    TempDir d;
    const std::string log = testing_support::MakeBoardLog(24u << 20);
    Input(d, log);
    CPreviewDlg& preview = m_dlg->m_dlgPreview;
    Hold hold(preview.m_worker.m_executor, preview.m_worker.m_request.m_nAbort, log.size() / 2);
    MessageRecorder rec;
    Press(*m_dlg, kIdPreview);
    QTRY_VERIFY(hold.IsHeld());
    const int before = m_ticks;
    QTRY_VERIFY(m_ticks > before + 3);
    QVERIFY(preview.IsBusy());
    // How far the split is, past the middle where it is held.
    const auto percent = [&] {
      const QString label = preview.m_labelFile->text();
      return QRegularExpression("(\\d+)%$").match(label).captured(1).toInt();
    };
    QTRY_VERIFY2(percent() >= 50 && percent() < 100, qPrintable(QString::number(percent())));

    QTimer::singleShot(0, [&] {  // layer 1 reversed
      Press(m_dlg->m_dlgOptions, kReverseLayerIds[1]);
      Press(m_dlg->m_dlgOptions, kIdOk);
    });
    Press(*m_dlg, kIdOptions);
    QTRY_VERIFY(hold.IsPassed());
    QVERIFY(hold.WasAborted());
    QTRY_VERIFY_WITH_TIMEOUT(!preview.IsBusy(), 20000);
    const QAbstractItemModel& tree = *preview.m_treeOutline->model();
    const int posts = static_cast<int>(std::count(log.begin(), log.end(), '\n'));
    QCOMPARE(tree.rowCount(),
             posts + 2);  // the header, a section per <HR> and the last, the trailer
    QCOMPARE(tree.index(1, 3).data().toString(), QString("反転"));
    QCOMPARE(tree.index(posts, 3).data().toString(), QString("反転"));
    QVERIFY(rec.messages.empty());
  }
};

QTEST_MAIN(MainDlgRunTest)
#include "MainDlgRunTest.moc"
