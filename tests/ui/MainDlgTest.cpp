// The main dialog driven through its widgets: the input list, the separator choice, the
// file-dialog and message-box seams, and runs compared byte for byte with the command line.
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "engine/Messages.h"
#include "platform/Encoding.h"
#include "platform/qt/CDialogBuilder.h"
#include "platform/qt/CFileDialog.h"
#include "tests/support/MessageRecorder.h"
#include "tests/support/TestFiles.h"
#include "ui/CMainDlg.h"

using platform::qt::CFileDialog;
using testing_support::MessageRecorder;
using testing_support::ReadFile;
using testing_support::TempDir;

namespace {

void Choose(QComboBox* combo, int index) {  // as the user's pick from the list does
  combo->setCurrentIndex(index);
  emit combo->activated(index);
}

// Near the left edge: a check box takes clicks on its box and text only.
void Click(QWidget& dlg, int id) {
  auto* b = platform::qt::GetDlgItem<QAbstractButton>(dlg, id);
  QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(6, b->height() / 2));
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

void WriteInputs(const TempDir& d, bool euc = false) {
  d.Write("a.html", euc ? kDocEuc : kDocA);
  d.Write("b.html", euc ? kDocEuc : kDocB);
}

// What the user does, one "verb:argument" a step; names are files of `d`. "in", "browse": the
// file dialog answers with the names (none: cancelled). "del", "up", "down": click row N (no N:
// keep the selection), then the button. "euc": the EUC check box. "options": open the options
// dialog, click the controls listed by id ("ID:N" picks item N of a combo box) and press OK unless
// they closed it.
void Act(CMainDlg& dlg, const TempDir& d, const QString& steps) {
  QListWidget* list = dlg.m_listInput;
  COptionDlg& o = dlg.m_dlgOptions;
  for (const QString& step : steps.split(' ', Qt::SkipEmptyParts)) {
    const QString verb = step.section(':', 0, 0), arg = step.section(':', 1);
    QStringList paths;
    for (const QString& name : arg.split(',', Qt::SkipEmptyParts))
      paths << QString::fromStdString(d.File(name.toStdString()));
    const qsizetype button = QStringList{"in", "browse", "del", "up", "down", "euc"}.indexOf(verb);
    if (button >= 2 && !arg.isEmpty())
      QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                        list->visualItemRect(list->item(arg.toInt())).center());
    if (button == 0 || button == 1) CFileDialog::SetNextAnswer(paths);
    if (button >= 0) Click(dlg, QList{1002, 1003, 1009, 1010, 1011, 1015}[button]);
    if (verb.startsWith("clear")) {
      QLineEdit* edit = verb == "clear-out" ? dlg.m_editOutput : dlg.m_comboSeparator->lineEdit();
      edit->selectAll();
      QTest::keyClick(edit, Qt::Key_Backspace);
    }
    if (verb == "pick") Choose(dlg.m_comboSeparator, arg.toInt());
    for (const QChar c : verb == "type" ? arg : QString())  // as text, as from an input method
      QTest::sendKeyEvent(QTest::Click, dlg.m_comboSeparator->lineEdit(), Qt::Key_unknown,
                          QString(c), {});
    if (verb != "options") continue;
    QTimer::singleShot(0, [&] {
      for (const QString& control : arg.split(',')) {
        const int id = control.section(':', 0, 0).toInt();
        if (auto* combo = platform::qt::GetDlgItem<QComboBox>(o, id))
          Choose(combo, control.section(':', 1).toInt());
        else
          Click(o, id);
      }
      if (o.isVisible()) Click(o, 1);
      if (o.isVisible()) o.reject();  // rather than hang
    });
    Click(dlg, 1021);
  }
}

}  // namespace

class MainDlgTest : public QObject {
  Q_OBJECT

  std::unique_ptr<CMainDlg> m_dlg;

  // Presses "実行" with every question answered yes; returns the messages shown.
  QStringList Run() {
    MessageRecorder rec(platform::IDYES);
    Click(*m_dlg, 1004);
    QStringList out;
    for (const auto& s : rec.Texts()) out << QString::fromStdString(s);
    return out;
  }

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

  // Steps as in Act() on files a, b, c; then the files listed ("-": the placeholder), the
  // selected row, and the separator the run request gets: user separator, kind, text.
  void controls_data() {
    QTest::addColumn<QString>("steps");
    QTest::addColumn<QString>("state");
    auto row = [](const char* name, const char* steps, const char* state) {
      QTest::newRow(name) << QString(steps) << QString(state);
    };
    row("placeholder replaced, cancel, same file again, dialog order; typing after item 0",
        "in:a in: in:c,a,b type:abc", "acab 3 1 0 <TABLE><TR><TD><HR>abc");
    row("buttons on the placeholder; item 1", "del:0 up:0 down:0 pick:1",
        "- 0 0 1 <TABLE><TR><TD>");
    row("delete middle, then the last; typing then item 2", "in:a,b,c del:1 del type:abc pick:2",
        "a 0 1 2 <HR>");
    row("delete all from the top, add again", "in:a,b,c del:0 del del in:b",
        "b 0 0 0 <TABLE><TR><TD><HR>");
    row("no move past the ends, up, down twice", "in:a,b,c up:0 down:2 up:1 down:0 down",
        "acb 2 0 0 <TABLE><TR><TD><HR>");
  }
  void controls() {
    QFETCH(QString, steps);
    QFETCH(QString, state);
    TempDir dir;
    Act(*m_dlg, dir, steps);
    const CMainDlg& d = *m_dlg;
    QStringList names, shown;
    for (const QString& path : d.m_astrInputPaths)
      names << QString(path).remove(QString::fromStdString(dir.File("")));
    for (int i = 0; i < d.m_listInput->count(); ++i) shown << d.m_listInput->item(i)->text();
    QCOMPARE(shown, names.isEmpty() ? QStringList{"入力ファイル名"} : d.m_astrInputPaths);
    QCOMPARE(d.m_nFileCount, names.size());
    const QModelIndexList rows = d.m_listInput->selectionModel()->selectedRows();
    QCOMPARE(QStringList({names.isEmpty() ? "-" : names.join(""),
                          QString::number(rows.isEmpty() ? -1 : rows.first().row()),
                          QString::number(d.m_bUserSeparator), QString::number(d.m_nSeparatorKind),
                          d.m_comboSeparator->currentText()})
                 .join(' '),
             state);
  }

  // Settings made in both dialogs, and the command line that asks for the same conversion:
  // the same refusal, or the same bytes written. Names are files of each side's own folder,
  // "''" an empty argument. A refusal leaves the inputs and the dialog's fields as they were;
  // a second run asks before overwriting and writes the same.
  void sameAsTheCommandLine_data() {
    QTest::addColumn<QString>("steps");
    QTest::addColumn<QString>("cliArgs");
    QTest::addColumn<int>("exitCode");
    auto refused = [](const char* name, const char* steps, const char* cliArgs) {
      QTest::newRow(name) << QString(steps) << QString(cliArgs) << 2;
    };
    auto run = [](const char* name, const char* steps, const QString& cliArgs) {
      QTest::newRow(name) << "in:a.html,b.html browse:out.html " + QString(steps)
                          << cliArgs + (cliArgs.contains("--per-file") ? "" : " -o out.html") +
                                 " a.html b.html"
                          << 0;
    };
    refused("placeholder only", "", "-o out.html");
    refused("output cleared, browsing cancelled", "in:a.html clear-out browse:", "-o '' a.html");
    refused("item 3, its text emptied", "in:a.html pick:3 clear-sep", "-k 3 -s '' a.html");
    refused("separator without a Shift_JIS form", "in:a.html type:é", "-s é a.html");
    refused("output is the second input", "in:a.html,b.html browse:b.html",
            "-o b.html a.html b.html");
    run("options cancelled: their first values", "options:2", "--order body --between numbered");
    // 1022, 1025: lead and trail cut; 1024: the text between files.
    run("cuts kept in range, separator first, simple header, layer 2",
        "options:1022:1,1025:1,1046,1026,1027,1023,1030,1047",
        "--lead-cut 1 --trail-cut 1 --range 1-2 --keep-cut --order separator --simple-header "
        "-r 2 --between numbered");
    // The separator counts only in reversed layers, and only where it is found.
    run("typed separator after item 2, nothing between", "pick:2 type:u options:1029,1019",
        "-k 2 -s <HR>u -r 1 --order body --between none");
    run("user string only, cuts dropped, hr line between",
        "pick:3 clear-sep type:名前 options:1029,1022:1,1046,1024:0",
        "-k 3 -s 名前 -r 1 --lead-cut 1 --range 1 --order body --between hr");
    run("EUC input, one output per input", "euc options:1020,1029",
        "--euc --per-file -r 1 --order body");
  }
  void sameAsTheCommandLine() {
    QFETCH(QString, steps);
    QFETCH(QString, cliArgs);
    QFETCH(int, exitCode);
    const bool euc = steps.contains("euc"), perFile = cliArgs.contains("--per-file");
    TempDir gui, cli;
    WriteInputs(gui, euc);
    WriteInputs(cli, euc);
    Act(*m_dlg, gui, steps);
    const QStringList inputs = m_dlg->m_astrInputPaths;
    const QString output = m_dlg->m_editOutput->text();
    const QStringList texts = Run();

    QStringList args;
    for (const QString& arg : cliArgs.split(' ', Qt::SkipEmptyParts))
      args << (arg == "''"             ? QString()
               : arg.endsWith(".html") ? QString::fromStdString(cli.File(arg.toStdString()))
                                       : arg);
    QProcess process;
    process.start(VELMORANT_CLI, args);
    QVERIFY(process.waitForFinished(30000));
    // Messages name files by path: each side's folder is left out to compare them.
    QCOMPARE(QString::fromUtf8(process.readAllStandardError())
                 .remove(QString::fromStdString(cli.File(""))),
             QString(texts.join('\n') + '\n').remove(QString::fromStdString(gui.File(""))));
    QCOMPARE(process.exitCode(), exitCode);
    if (exitCode) {
      QCOMPARE(ReadFile(gui.File("b.html")), kDocB);
      QCOMPARE(m_dlg->m_astrInputPaths, inputs);
      QCOMPARE(m_dlg->m_editOutput->text(), output);
      return;
    }
    QStringList again = Run();
    QCOMPARE(again.removeAll(msg::kOverwrite), perFile ? 0 : 1);
    QCOMPARE(again, texts);
    for (const char* name : perFile ? QList{"Rev_a.html", "Rev_b.html"} : QList{"out.html"}) {
      const std::string fromDialog = ReadFile(gui.File(name));
      QVERIFY2(!fromDialog.empty(), name);
      QCOMPARE(fromDialog, ReadFile(cli.File(name)));
    }
  }
};

QTEST_MAIN(MainDlgTest)
#include "MainDlgTest.moc"
