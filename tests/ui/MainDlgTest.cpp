// The main dialog driven through its widgets: the input list, the separator choice, the
// file-dialog and message-box seams, and runs compared byte for byte with the command line.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>

#include "engine/Messages.h"
#include "platform/Encoding.h"
#include "platform/qt/CDialogBuilder.h"
#include "platform/qt/CFileDialog.h"
#include "tests/support/MessageRecorder.h"
#include "tests/support/TestFiles.h"
#include "ui/CAboutDlg.h"
#include "ui/CMainDlg.h"

using platform::qt::CFileDialog;
using testing_support::MessageRecorder;
using testing_support::ReadFile;
using testing_support::TempDir;

namespace {

// Runs `actions` once a modal window is up, then closes it if they left it open (so a failed
// check inside cannot hang the test), and runs `show` for the modal loop.
void WhileModal(std::function<void()> actions, const std::function<void()>& show) {
  QTimer::singleShot(0, [actions = std::move(actions)] {
    QWidget* modal = QApplication::activeModalWidget();
    actions();
    if (auto* dlg = qobject_cast<QDialog*>(modal); dlg && dlg->isVisible()) dlg->reject();
  });
  show();
}

// Picks an item as the user's choice in the list does.
void Choose(QComboBox* combo, int index) {
  combo->setCurrentIndex(index);
  emit combo->activated(index);
}

// Near the left edge: a check box takes clicks on its box and text only.
void Click(QWidget& dlg, int id) {
  auto* b = platform::qt::GetDlgItem<QAbstractButton>(dlg, id);
  QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(6, b->height() / 2));
}

QStringList Texts(const MessageRecorder& rec) {
  QStringList out;
  for (const auto& s : rec.Texts()) out << QString::fromStdString(s);
  return out;
}

std::string Sjis(const std::string& utf8) {
  return platform::Utf8ToCp932(utf8).value();
}
const std::string kDocA = Sjis(
    "<HTML><BODY>\r\n<dl>一</dl><HR><dl>二 名前</dl><HR><TABLE><TR><TD>x1</TD><TD>x2</TD></TR>"
    "<TR><TD>y</TD></TR></TABLE><HR><dl>四</dl>\r\n</BODY></HTML>\r\n");
const std::string kDocB = Sjis(
    "<HTML><BODY><TABLE><TR><TD>p</TD></TR><TR><TD>q 名前 r</TD><TD>s</TD></TR></TABLE>"
    "<HR>t<HR>u 名前 v</BODY></HTML>");
const std::string kDocEuc = "<HTML><BODY>\xA4\xA2<HR>\xA4\xA4<HR>\xA4\xA6</BODY></HTML>";

// What the user does, one "verb:argument" a step; names are files of `d`. "options:" opens the
// options dialog, clicks the controls listed by id ("ID:N" picks item N of a combo box) and
// presses OK unless they closed it.
void Act(CMainDlg& dlg, const TempDir& d, const QString& steps) {
  COptionDlg& o = dlg.m_dlgOptions;
  for (const QString& step : steps.split(' ', Qt::SkipEmptyParts)) {
    const QString verb = step.section(':', 0, 0), arg = step.section(':', 1);
    QStringList paths;
    for (const QString& name : arg.split(','))
      paths << QString::fromStdString(d.File(name.toStdString()));
    if (verb == "in") {
      CFileDialog::SetNextAnswer(paths);
      Click(dlg, 1002);
    }
    if (verb == "browse") {  // no name: cancelled
      CFileDialog::SetNextAnswer(arg.isEmpty() ? QStringList() : paths);
      Click(dlg, 1003);
    }
    if (verb.startsWith("clear")) {
      QLineEdit* edit = verb == "clear-out" ? dlg.m_editOutput : dlg.m_comboSeparator->lineEdit();
      edit->selectAll();
      QTest::keyClick(edit, Qt::Key_Backspace);
    }
    if (verb == "pick") Choose(dlg.m_comboSeparator, arg.toInt());
    for (const QChar c : verb == "type" ? arg : QString())  // as text, as from an input method
      QTest::sendKeyEvent(QTest::Click, dlg.m_comboSeparator->lineEdit(), Qt::Key_unknown,
                          QString(c), {});
    if (verb == "euc") dlg.m_checkEuc->click();
    if (verb != "options") continue;
    auto actions = [&] {
      for (const QString& control : arg.split(',')) {
        const int id = control.section(':', 0, 0).toInt();
        if (auto* combo = platform::qt::GetDlgItem<QComboBox>(o, id))
          Choose(combo, control.section(':', 1).toInt());
        else
          Click(o, id);
      }
      if (o.isVisible()) Click(o, 1);
    };
    WhileModal(actions, [&] { Click(dlg, 1021); });
  }
}

}  // namespace

class MainDlgTest : public QObject {
  Q_OBJECT

  std::unique_ptr<CMainDlg> m_dlg;

 private slots:
  void init() {
    CFileDialog::ClearAnswers();
    m_dlg = std::make_unique<CMainDlg>();
    m_dlg->OnInitDialog();
    m_dlg->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_dlg.get()));
  }
  void cleanup() {
    m_dlg.reset();
    QVERIFY(!CFileDialog::HasPendingAnswers());
  }

  void defaultOutputIsInTheProgramsFolderWhenWritable() {
    TempDir dir;
    const QString writable = QString::fromStdString(dir.Path());
    const QString name = QStringLiteral("/出力用のファイル.html");
    QCOMPARE(CMainDlg::DefaultOutputPath(writable, "/home/u"), writable + name);
    QCOMPARE(CMainDlg::DefaultOutputPath(writable + "/not-there", "/home/u"), "/home/u" + name);
  }

  // Steps: "+cab" adds /d/c.html, /d/a.html, /d/b.html through the file dialog ("+" alone:
  // cancelled); "-N", "^N", "vN" click row N (no N: keep the selection), then delete, up or
  // down. Then the files listed ("": the placeholder) and the selected row.
  void listActions_data() {
    QTest::addColumn<QString>("steps");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<int>("selected");
    auto row = [](const char* name, const char* steps, const char* expected, int selected) {
      QTest::newRow(name) << QString(steps) << QString(expected) << selected;
    };
    row("placeholder replaced, cancel, same file again", "+a + +a", "aa", 1);
    row("three at once, dialog order", "+cab", "cab", 2);
    row("buttons on the placeholder", "-0 ^0 v0", "", 0);
    row("delete the only file, add again", "+a -0 +b", "b", 0);
    row("delete last", "+abc -2", "ab", 1);
    row("delete middle", "+abc -1", "ac", 1);
    row("delete all from the top", "+abc -0 -0 -0", "", -1);
    row("up on first, down on last", "+abc ^0 v2", "abc", 2);
    row("up on second", "+abc ^1", "bac", 0);
    row("down twice carries it", "+abc v0 v", "bca", 2);
  }
  void listActions() {
    QFETCH(QString, steps);
    QFETCH(QString, expected);
    QFETCH(int, selected);
    auto paths = [](const QString& letters) {
      QStringList p;
      for (const QChar c : letters) p << QStringLiteral("/d/%1.html").arg(c);
      return p;
    };
    QListWidget* list = m_dlg->m_listInput;
    for (const QString& step : steps.split(' ')) {
      const QString arg = step.mid(1);
      if (step[0] == '+') CFileDialog::SetNextAnswer(paths(arg));
      if (step[0] != '+' && !arg.isEmpty())
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualItemRect(list->item(arg.toInt())).center());
      Click(*m_dlg, QList{1002, 1009, 1010, 1011}[QStringLiteral("+-^v").indexOf(step[0])]);
    }
    QStringList shown;
    for (int i = 0; i < list->count(); ++i) shown << list->item(i)->text();
    QCOMPARE(shown, expected.isEmpty() ? QStringList{"入力ファイル名"} : paths(expected));
    const QModelIndexList rows = list->selectionModel()->selectedRows();
    QCOMPARE(rows.isEmpty() ? -1 : rows.first().row(), selected);
    QCOMPARE(m_dlg->m_astrInputPaths, paths(expected));
    QCOMPARE(m_dlg->m_nFileCount, m_dlg->m_astrInputPaths.size());
  }

  // What the user does with the separator combo box, and the state the run request gets:
  // user separator, kind, text.
  void separatorChoice_data() {
    QTest::addColumn<QString>("steps");  // as in Act()
    QTest::addColumn<QString>("state");
    auto row = [](const char* name, const char* steps, const char* state) {
      QTest::newRow(name) << QString(steps) << QString(state);
    };
    row("typing after item 0", "type:abc", "1 0 <TABLE><TR><TD><HR>abc");
    row("typing then item 2", "type:abc pick:2", "1 2 <HR>");
    row("item 1", "pick:1", "0 1 <TABLE><TR><TD>");
    row("item 3", "pick:3", "1 3 ユーザー指定の区切り文字列のみ");
  }
  void separatorChoice() {
    QFETCH(QString, steps);
    QFETCH(QString, state);
    Act(*m_dlg, TempDir(), steps);
    const CMainDlg& d = *m_dlg;
    QCOMPARE(QString("%1 %2 ").arg(d.m_bUserSeparator).arg(d.m_nSeparatorKind) +
                 d.m_comboSeparator->currentText(),
             state);
  }

  void typedTextStopsAtTheFieldsEnd() {
    QLineEdit* edit = m_dlg->m_comboSeparator->lineEdit();
    edit->clear();
    QTest::keyClicks(edit, QString(200, QChar('W')));
    QVERIFY2(edit->text().size() > 5 && edit->text().size() < 200, qPrintable(edit->text()));
  }

  void aboutEntryOpensTheAboutBox() {
    bool bShown = false;
    WhileModal([&] { bShown = dynamic_cast<CAboutDlg*>(QApplication::activeModalWidget()); },
               [&] { m_dlg->m_menuSystem.actions().last()->trigger(); });
    QVERIFY(bShown);
    QVERIFY(m_dlg->isVisible());
  }

  // The exit button accepts; Esc and the close entry of the menu reject.
  void exitEscapeAndCloseEntryEndTheDialog() {
    Click(*m_dlg, 1);
    QVERIFY(!m_dlg->isVisible());
    QCOMPARE(m_dlg->result(), int(QDialog::Accepted));
    for (bool escape : {true, false}) {
      m_dlg->show();
      if (escape)
        QTest::keyClick(m_dlg.get(), Qt::Key_Escape);
      else
        m_dlg->m_menuSystem.actions().first()->trigger();
      QVERIFY(!m_dlg->isVisible());
      QCOMPARE(m_dlg->result(), int(QDialog::Rejected));
    }
  }

  // Controls read into the run request: what the user leaves, and the message "実行" shows.
  // The dialog's fields and the inputs are left as they were.
  void runReadsTheControls_data() {
    QTest::addColumn<QString>("steps");
    QTest::addColumn<QString>("message");
    auto row = [](const char* name, const char* steps, const char* message) {
      QTest::newRow(name) << QString(steps) << QString(message);
    };
    row("placeholder only", "", msg::kNoInput);
    row("output cleared, browsing cancelled", "in:a.html clear-out browse:", msg::kNoOutput);
    row("item 3, its text emptied", "in:a.html pick:3 clear-sep", msg::kNoSeparator);
    row("separator without a Shift_JIS form", "in:a.html type:é", msg::kSeparatorNotCp932);
    row("output is the second input", "in:a.html,b.html browse:b.html", msg::kCollision);
  }
  void runReadsTheControls() {
    QFETCH(QString, steps);
    QFETCH(QString, message);
    TempDir dir;
    dir.Write("a.html", kDocA);
    dir.Write("b.html", kDocB);
    Act(*m_dlg, dir, steps);
    const QStringList listBefore = m_dlg->m_astrInputPaths;
    const QString outputBefore = m_dlg->m_editOutput->text();
    MessageRecorder rec(platform::IDYES);
    Click(*m_dlg, 1004);
    QCOMPARE(Texts(rec), QStringList{message});
    QCOMPARE(ReadFile(dir.File("b.html")), kDocB);
    QCOMPARE(m_dlg->m_astrInputPaths, listBefore);
    QCOMPARE(m_dlg->m_editOutput->text(), outputBefore);
  }

  // Settings made in both dialogs, and the command line that asks for the same conversion.
  // The dialog keeps its executor: a second run asks before overwriting and writes the same.
  void sameOutputAsTheCommandLine_data() {
    QTest::addColumn<QString>("steps");
    QTest::addColumn<QString>("cliArgs");
    auto row = [](const char* name, const char* steps, const char* cliArgs) {
      QTest::newRow(name) << QString(steps) << QString(cliArgs);
    };
    row("options never opened", "", "");
    row("options cancelled: their first values", "options:2", "--order body --between numbered");
    // 1022, 1025: lead and trail cut; 1024: the text between files.
    row("cuts kept in range, separator first, simple header, layer 2",
        "options:1022:1,1025:1,1046,1026,1027,1023,1030,1047",
        "--lead-cut 1 --trail-cut 1 --range 1-2 --keep-cut --order separator --simple-header "
        "-r 2 --between numbered");
    row("cuts dropped, hr line between", "options:1022:1,1046,1024:0",
        "--lead-cut 1 --range 1 --order body --between hr");
    row("typed separator after item 2, nothing between", "pick:2 type:名前 options:1029,1019",
        "-k 2 -s <HR>名前 -r 1 --order body --between none");
    row("user string only", "pick:3 clear-sep type:名前 options:1029",
        "-k 3 -s 名前 -r 1 --order body --between numbered");
    row("EUC input", "euc options:1029", "--euc -r 1 --order body --between numbered");
    row("one output per input", "options:1020,1029", "--per-file -r 1 --order body");
  }
  void sameOutputAsTheCommandLine() {
    QFETCH(QString, steps);
    QFETCH(QString, cliArgs);
    const bool euc = steps.contains("euc"), perFile = cliArgs.contains("--per-file");
    TempDir gui, cli;
    for (const TempDir* d : {&gui, &cli}) {
      d->Write("a.html", euc ? kDocEuc : kDocA);
      d->Write("b.html", euc ? kDocEuc : kDocB);
    }
    Act(*m_dlg, gui, "in:a.html,b.html browse:out.html " + steps);
    MessageRecorder rec(platform::IDYES);
    Click(*m_dlg, 1004);
    Click(*m_dlg, 1004);
    QCOMPARE(Texts(rec).count(msg::kNormalEnd), 2);
    QCOMPARE(Texts(rec).contains(msg::kOverwrite), !perFile);

    QStringList args = QStringList{"-q"} + cliArgs.split(' ', Qt::SkipEmptyParts);
    if (!perFile) args << "-o" << QString::fromStdString(cli.File("out.html"));
    for (const char* in : {"a.html", "b.html"}) args << QString::fromStdString(cli.File(in));
    QProcess process;
    process.start(VELMORANT_CLI, args);
    QVERIFY(process.waitForFinished(30000));
    QCOMPARE(process.exitCode(), 0);
    for (const char* name : perFile ? QList{"Rev_a.html", "Rev_b.html"} : QList{"out.html"}) {
      const std::string fromDialog = ReadFile(gui.File(name));
      QVERIFY2(!fromDialog.empty(), name);
      QCOMPARE(fromDialog, ReadFile(cli.File(name)));
    }
  }
};

QTEST_MAIN(MainDlgTest)
#include "MainDlgTest.moc"
