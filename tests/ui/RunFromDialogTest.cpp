// The run button: the request's checks and messages as the dialog reaches them, and runs
// from the dialog compared byte for byte with the command line's output.
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTest>

#include "engine/Messages.h"
#include "platform/Encoding.h"
#include "platform/qt/CDialogBuilder.h"
#include "platform/qt/CFileDialog.h"
#include "tests/support/MessageRecorder.h"
#include "tests/support/TestFiles.h"
#include "tests/ui/GuiHelpers.h"
#include "ui/CMainDlg.h"

using gui_testing::PickItem;
using gui_testing::ToQStrings;
using gui_testing::TypeInto;
using gui_testing::WhileModal;
using platform::qt::CFileDialog;
using platform::qt::GetDlgItem;
using testing_support::MessageRecorder;
using testing_support::ReadFile;
using testing_support::TempDir;

namespace {

// Board logs are Shift_JIS; the sources are UTF-8.
std::string Sjis(const std::string& utf8) {
  return platform::Utf8ToCp932(utf8).value();
}

const std::string kDocA = Sjis(
    "<HTML><HEAD><TITLE>a</TITLE></HEAD><BODY>\r\n<dl>一</dl><HR><dl>二 名前</dl><HR>"
    "<TABLE><TR><TD>x1</TD><TD>x2</TD></TR><TR><TD>y</TD></TR></TABLE><HR><dl>四</dl>\r\n</BODY></"
    "HTML>\r\n");
const std::string kDocB = Sjis(
    "<HTML><BODY><TABLE><TR><TD>p</TD></TR><TR><TD>q 名前 r</TD><TD>s</TD></TR></TABLE>"
    "<HR>t<HR>u 名前 v</BODY></HTML>");
// EUC-JP: "あ", "い", "う" between rules.
const std::string kDocEuc = "<HTML><BODY>\xA4\xA2<HR>\xA4\xA4<HR>\xA4\xA6</BODY></HTML>";

// Near the left edge: a check box takes clicks on its box and text only.
void Click(QWidget& dlg, int id) {
  auto* b = GetDlgItem<QAbstractButton>(dlg, id);
  QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(6, b->height() / 2));
}

void ClearField(QLineEdit* edit) {
  edit->setFocus();
  edit->selectAll();
  QTest::keyClick(edit, Qt::Key_Backspace);
}

// What the user does in the main dialog, one "verb:argument" a step; names are files of `d`.
void Act(CMainDlg& dlg, const TempDir& d, const QStringList& steps) {
  auto file = [&](const QString& name) { return QString::fromStdString(d.File(name.toStdString())); };
  for (const QString& step : steps) {
    const QString verb = step.section(':', 0, 0), arg = step.section(':', 1);
    if (verb == "in") {
      QStringList paths;
      for (const QString& name : arg.split(',')) paths << file(name);
      CFileDialog::SetNextAnswer(paths);
      Click(dlg, 1002);
    }
    if (verb == "out") dlg.m_editOutput->setText(file(arg));
    if (verb == "old") d.Write(arg.toStdString(), "old");
    if (verb == "clear-out") ClearField(dlg.m_editOutput);
    if (verb == "clear-sep") ClearField(dlg.m_comboSeparator->lineEdit());
    if (verb == "pick") PickItem(dlg.m_comboSeparator, arg.toInt());
    if (verb == "type") TypeInto(dlg.m_comboSeparator, arg);
    if (verb == "euc") dlg.m_checkEuc->click();
  }
}

// The same in the options dialog: a number clicks that control, "lead:", "trail:" and
// "text:" pick an item of a combo box.
void ActOnOptions(COptionDlg& o, const QStringList& steps) {
  for (const QString& step : steps) {
    const int index = step.section(':', 1).toInt();
    if (step.startsWith("lead:")) PickItem(o.m_comboLeadCut, index);
    else if (step.startsWith("trail:")) PickItem(o.m_comboTrailCut, index);
    else if (step.startsWith("text:")) PickItem(o.m_comboSeparatorText, index);
    else Click(o, step.toInt());
  }
}

}  // namespace

class RunFromDialogTest : public QObject {
  Q_OBJECT

 private slots:
  void init() { CFileDialog::ClearAnswers(); }

  // What the user does before pressing "実行", and every message the request then shows.
  void checksAndMessages_data() {
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<int>("answer");
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<bool>("written");
    const int no = platform::IDNO, yes = platform::IDYES;
    QTest::newRow("placeholder only, output empty")
        << QStringList{"clear-out"} << no << QStringList{msg::kNoInput} << false;
    QTest::newRow("output cleared")
        << QStringList{"in:a.html", "clear-out"} << no << QStringList{msg::kNoOutput} << false;
    QTest::newRow("item 3 and its text emptied") << QStringList{"in:a.html", "pick:3", "clear-sep"}
                                                 << no << QStringList{msg::kNoSeparator} << false;
    QTest::newRow("separator message first, then the collision with the second input")
        << QStringList{"in:a.html,b.html,c.html", "clear-sep", "type:<dl", "out:b.html"} << yes
        << QStringList{msg::kOpenWithoutClose, msg::kCollision} << false;
    QTest::newRow("other letter case is another file")
        << QStringList{"in:a.html", "out:A.html"} << no << QStringList{msg::kNormalEnd} << false;
    QTest::newRow("existing output, No") << QStringList{"in:a.html", "old:out.html", "out:out.html"}
                                         << no << QStringList{msg::kOverwrite} << false;
    QTest::newRow("existing output, Yes")
        << QStringList{"in:a.html", "old:out.html", "out:out.html"} << yes
        << QStringList{msg::kOverwrite, msg::kNormalEnd} << true;
    QTest::newRow("separator without a Shift_JIS form")
        << QStringList{"in:a.html", "out:out.html", QStringLiteral("type:é")} << yes
        << QStringList{msg::kSeparatorNotCp932} << false;
    // "*" stands for the executor's own file message, whose text names the file.
    QTest::newRow("first input missing") << QStringList{"in:missing.html,a.html", "out:out.html"}
                                         << yes << QStringList{"*", msg::kErrorEnd} << false;
  }
  void checksAndMessages() {
    QFETCH(QStringList, steps);
    QFETCH(int, answer);
    QFETCH(QStringList, messages);
    QFETCH(bool, written);
    TempDir dir;
    dir.Write("a.html", kDocA);
    dir.Write("b.html", kDocB);
    dir.Write("c.html", kDocB);
    CMainDlg dlg;
    dlg.OnInitDialog();
    dlg.show();
    Act(dlg, dir, steps);
    const QStringList listBefore = dlg.m_astrInputPaths;
    const QString outputBefore = dlg.m_editOutput->text();
    MessageRecorder rec(answer);
    Click(dlg, 1004);
    QStringList texts = ToQStrings(rec.Texts());
    if (messages.first() == "*" && !texts.isEmpty()) texts.first() = "*";
    QCOMPARE(texts, messages);
    if (messages.last() == msg::kOverwrite || written) {
      QCOMPARE(ReadFile(dir.File("out.html")) != "old", written);
    }
    QCOMPARE(dlg.m_astrInputPaths, listBefore);
    QCOMPARE(dlg.m_editOutput->text(), outputBefore);
  }

  void secondRunAsksAgain() {
    TempDir dir;
    dir.Write("a.html", kDocA);
    CMainDlg dlg;
    dlg.OnInitDialog();
    Act(dlg, dir, {"in:a.html", "out:out.html"});
    MessageRecorder rec(platform::IDYES);
    Click(dlg, 1004);
    Click(dlg, 1004);
    QCOMPARE(ToQStrings(rec.Texts()),
             (QStringList{msg::kNormalEnd, msg::kOverwrite, msg::kNormalEnd}));
  }

  // Settings made in the dialogs, and the command line that asks for the same conversion.
  void sameOutputAsTheCommandLine_data() {
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QStringList>("options");  // empty: the options dialog stays closed
    QTest::addColumn<QString>("cliArgs");
    QTest::addColumn<QStringList>("outputs");
    const QStringList out{"out.html"};
    QTest::newRow("options never opened") << QStringList{} << QStringList{} << "" << out;
    QTest::newRow("cuts kept in range, separator first, simple header, layer 2")
        << QStringList{}
        << QStringList{"lead:1", "trail:1", "1046", "1026", "1027", "1023", "1030", "1047"}
        << "--lead-cut 1 --trail-cut 1 --range 1-2 --keep-cut --order separator "
           "--simple-header -r 2 --between numbered"
        << out;
    QTest::newRow("cuts dropped, hr line between")
        << QStringList{} << QStringList{"lead:1", "1046", "text:0"}
        << "--lead-cut 1 --range 1 --order body --between hr" << out;
    QTest::newRow("typed separator after item 2, nothing between")
        << QStringList{"pick:2", "type:名前"} << QStringList{"1029", "1019"}
        << "-k 2 -s <HR>名前 -r 1 --order body --between none" << out;
    QTest::newRow("user string only")
        << QStringList{"pick:3", "clear-sep", "type:名前"} << QStringList{"1029"}
        << "-k 3 -s 名前 -r 1 --order body --between numbered" << out;
    QTest::newRow("EUC input") << QStringList{"euc"} << QStringList{"1029"}
                               << "--euc -r 1 --order body --between numbered" << out;
    QTest::newRow("one output per input")
        << QStringList{} << QStringList{"1020", "1029"} << "--per-file -r 1 --order body"
        << QStringList{"Rev_a.html", "Rev_b.html"};
  }
  void sameOutputAsTheCommandLine() {
    QFETCH(QStringList, steps);
    QFETCH(QStringList, options);
    QFETCH(QString, cliArgs);
    QFETCH(QStringList, outputs);
    const bool euc = steps.contains("euc");
    TempDir gui;
    TempDir cli;
    for (const TempDir* d : {&gui, &cli}) {
      d->Write("a.html", euc ? kDocEuc : kDocA);
      d->Write("b.html", euc ? kDocEuc : kDocB);
    }
    CMainDlg dlg;
    dlg.OnInitDialog();
    dlg.show();
    Act(dlg, gui, QStringList{"in:a.html,b.html", "out:out.html"} + steps);
    if (!options.isEmpty()) {
      WhileModal(
          [&] {
            ActOnOptions(dlg.m_dlgOptions, options);
            Click(dlg.m_dlgOptions, 1);
          },
          [&] { Click(dlg, 1021); });
      QCOMPARE(dlg.m_bOptionsOpened, 1);
    }
    MessageRecorder rec(platform::IDYES);
    Click(dlg, 1004);
    QCOMPARE(ToQStrings(rec.Texts()).last(), QString::fromUtf8(msg::kNormalEnd));

    QProcess process;
    QStringList args = cliArgs.split(' ', Qt::SkipEmptyParts);
    if (outputs == QStringList{"out.html"})
      args << "-o" << QString::fromStdString(cli.File("out.html"));
    args << "-q" << QString::fromStdString(cli.File("a.html"))
         << QString::fromStdString(cli.File("b.html"));
    process.start(VELMORANT_CLI, args);
    QVERIFY(process.waitForFinished(30000));
    QCOMPARE(process.exitCode(), 0);
    for (const QString& name : outputs) {
      const std::string fromDialog = ReadFile(gui.File(name.toStdString()));
      QVERIFY2(!fromDialog.empty(), qPrintable(name));
      QCOMPARE(fromDialog, ReadFile(cli.File(name.toStdString())));
    }
  }
};

QTEST_MAIN(RunFromDialogTest)
#include "RunFromDialogTest.moc"
