// The run button: the request's checks and messages as the dialog reaches them, and runs
// from the dialog compared byte for byte with the command line's output.
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTest>
#include <functional>

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

using DialogSetup = std::function<void(CMainDlg&, const TempDir&)>;
using OptionsSetup = std::function<void(COptionDlg&)>;

// Near the left edge: a check box takes clicks on its box and text only.
void Click(QWidget& dlg, int id) {
  auto* b = GetDlgItem<QAbstractButton>(dlg, id);
  QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(6, b->height() / 2));
}

void AddInputs(CMainDlg& dlg, const QStringList& paths) {
  CFileDialog::SetNextAnswer(paths);
  Click(dlg, 1002);
}

void ClearField(QLineEdit* edit) {
  edit->setFocus();
  edit->selectAll();
  QTest::keyClick(edit, Qt::Key_Backspace);
}

}  // namespace

Q_DECLARE_METATYPE(DialogSetup)
Q_DECLARE_METATYPE(OptionsSetup)

class RunFromDialogTest : public QObject {
  Q_OBJECT

 private slots:
  void init() { CFileDialog::ClearAnswers(); }

  // What the user does before pressing "実行", and every message the request then shows.
  void checksAndMessages_data() {
    QTest::addColumn<DialogSetup>("setup");
    QTest::addColumn<int>("answer");
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<bool>("written");
    auto file = [](const TempDir& d, const char* name) {
      return QString::fromStdString(d.File(name));
    };

    QTest::newRow("placeholder only, output empty")
        << DialogSetup([](CMainDlg& dlg, const TempDir&) { ClearField(dlg.m_editOutput); })
        << int(platform::IDNO) << QStringList{msg::kNoInput} << false;
    QTest::newRow("output cleared") << DialogSetup([&](CMainDlg& dlg, const TempDir& d) {
      AddInputs(dlg, {file(d, "a.html")});
      ClearField(dlg.m_editOutput);
    }) << int(platform::IDNO) << QStringList{msg::kNoOutput}
                                    << false;
    QTest::newRow("item 3 and its text emptied")
        << DialogSetup([&](CMainDlg& dlg, const TempDir& d) {
             AddInputs(dlg, {file(d, "a.html")});
             PickItem(dlg.m_comboSeparator, 3);
             ClearField(dlg.m_comboSeparator->lineEdit());
           })
        << int(platform::IDNO) << QStringList{msg::kNoSeparator} << false;
    QTest::newRow("separator message first, then the collision with the second input")
        << DialogSetup([&](CMainDlg& dlg, const TempDir& d) {
             AddInputs(dlg, {file(d, "a.html"), file(d, "b.html"), file(d, "c.html")});
             ClearField(dlg.m_comboSeparator->lineEdit());
             TypeInto(dlg.m_comboSeparator, "<dl");
             dlg.m_editOutput->setText(file(d, "b.html"));
           })
        << int(platform::IDYES) << QStringList{msg::kOpenWithoutClose, msg::kCollision} << false;
    QTest::newRow("other letter case is another file")
        << DialogSetup([&](CMainDlg& dlg, const TempDir& d) {
             AddInputs(dlg, {file(d, "a.html")});
             dlg.m_editOutput->setText(file(d, "A.html"));
           })
        << int(platform::IDNO) << QStringList{msg::kNormalEnd} << false;
    QTest::newRow("existing output, No") << DialogSetup([&](CMainDlg& dlg, const TempDir& d) {
      AddInputs(dlg, {file(d, "a.html")});
      d.Write("out.html", "old");
      dlg.m_editOutput->setText(file(d, "out.html"));
    }) << int(platform::IDNO) << QStringList{msg::kOverwrite}
                                         << false;
    QTest::newRow("existing output, Yes") << DialogSetup([&](CMainDlg& dlg, const TempDir& d) {
      AddInputs(dlg, {file(d, "a.html")});
      d.Write("out.html", "old");
      dlg.m_editOutput->setText(file(d, "out.html"));
    }) << int(platform::IDYES) << QStringList{msg::kOverwrite, msg::kNormalEnd}
                                          << true;
    QTest::newRow("separator without a Shift_JIS form")
        << DialogSetup([&](CMainDlg& dlg, const TempDir& d) {
             AddInputs(dlg, {file(d, "a.html")});
             dlg.m_editOutput->setText(file(d, "out.html"));
             TypeInto(dlg.m_comboSeparator, QStringLiteral("é"));
           })
        << int(platform::IDYES) << QStringList{msg::kSeparatorNotCp932} << false;
    QTest::newRow("first input missing") << DialogSetup([&](CMainDlg& dlg, const TempDir& d) {
      AddInputs(dlg, {file(d, "missing.html"), file(d, "a.html")});
      dlg.m_editOutput->setText(file(d, "out.html"));
    }) << int(platform::IDYES) << QStringList{"*", msg::kErrorEnd}
                                         << false;
  }
  void checksAndMessages() {
    QFETCH(DialogSetup, setup);
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
    setup(dlg, dir);
    const QStringList listBefore = dlg.m_astrInputPaths;
    const QString outputBefore = dlg.m_editOutput->text();
    MessageRecorder rec(answer);
    Click(dlg, 1004);
    QStringList texts = ToQStrings(rec.Texts());
    // "*" stands for the executor's own file message, whose text names the file.
    for (int i = 0; i < messages.size(); ++i) {
      if (messages[i] == "*" && i < texts.size()) texts[i] = "*";
    }
    QCOMPARE(texts, messages);
    if (messages.last() == msg::kOverwrite || written) {
      QCOMPARE(ReadFile(dir.File("out.html")) != "old", written);
    }
    QCOMPARE(dlg.m_astrInputPaths, listBefore);
    QCOMPARE(dlg.m_editOutput->text(), outputBefore);
  }

  void secondRunAsksAgain() {
    TempDir dir;
    const QString input = QString::fromStdString(dir.Write("a.html", kDocA));
    CMainDlg dlg;
    dlg.OnInitDialog();
    AddInputs(dlg, {input});
    dlg.m_editOutput->setText(QString::fromStdString(dir.File("out.html")));
    MessageRecorder rec(platform::IDYES);
    Click(dlg, 1004);
    Click(dlg, 1004);
    QCOMPARE(ToQStrings(rec.Texts()),
             (QStringList{msg::kNormalEnd, msg::kOverwrite, msg::kNormalEnd}));
  }

  // Settings made in the dialogs, and the command line that asks for the same conversion.
  void sameOutputAsTheCommandLine_data() {
    QTest::addColumn<DialogSetup>("setup");
    QTest::addColumn<OptionsSetup>("options");  // empty: the options dialog stays closed
    QTest::addColumn<QStringList>("cliArgs");
    QTest::addColumn<bool>("euc");
    QTest::addColumn<QStringList>("outputs");
    auto none = DialogSetup([](CMainDlg&, const TempDir&) {});
    auto toggle = [](COptionDlg& o, int id) { Click(o, id); };
    auto choose = [](QComboBox* combo, int index) { PickItem(combo, index); };

    QTest::newRow("options never opened")
        << none << OptionsSetup() << QStringList{} << false << QStringList{"out.html"};
    QTest::newRow("layer 1 reversed, numbered line between")
        << none << OptionsSetup([=](COptionDlg& o) { toggle(o, 1029); })
        << QStringList{"-r", "1", "--order", "body", "--between", "numbered"} << false
        << QStringList{"out.html"};
    QTest::newRow("cuts kept in range, separator first, simple header, layer 2")
        << none << OptionsSetup([=](COptionDlg& o) {
             choose(o.m_comboLeadCut, 1);
             choose(o.m_comboTrailCut, 1);
             toggle(o, 1046);
             toggle(o, 1026);
             toggle(o, 1027);
             toggle(o, 1023);
             toggle(o, 1030);
             toggle(o, 1047);
           })
        << QStringList{"--lead-cut", "1",          "--trail-cut", "1",         "--range",
                       "1-2",        "--keep-cut", "--order",     "separator", "--simple-header",
                       "-r",         "2",          "--between",   "numbered"}
        << false << QStringList{"out.html"};
    QTest::newRow("cuts dropped, hr line between") << none << OptionsSetup([=](COptionDlg& o) {
      choose(o.m_comboLeadCut, 1);
      toggle(o, 1046);
      choose(o.m_comboSeparatorText, 0);
    }) << QStringList{"--lead-cut", "1", "--range", "1", "--order", "body", "--between", "hr"}
                                                   << false << QStringList{"out.html"};
    QTest::newRow("typed separator after item 2, nothing between")
        << DialogSetup([](CMainDlg& dlg, const TempDir&) {
             PickItem(dlg.m_comboSeparator, 2);
             TypeInto(dlg.m_comboSeparator, QStringLiteral("名前"));
           })
        << OptionsSetup([=](COptionDlg& o) {
             toggle(o, 1029);
             toggle(o, 1019);
           })
        << QStringList{"-k", "2",       "-s",   "<HR>名前",  "-r",
                       "1",  "--order", "body", "--between", "none"}
        << false << QStringList{"out.html"};
    QTest::newRow("user string only") << DialogSetup([](CMainDlg& dlg, const TempDir&) {
      PickItem(dlg.m_comboSeparator, 3);
      ClearField(dlg.m_comboSeparator->lineEdit());
      TypeInto(dlg.m_comboSeparator, QStringLiteral("名前"));
    }) << OptionsSetup([=](COptionDlg& o) { toggle(o, 1029); })
                                      << QStringList{"-k",        "3",       "-s",      "名前",
                                                     "-r",        "1",       "--order", "body",
                                                     "--between", "numbered"}
                                      << false << QStringList{"out.html"};
    QTest::newRow("EUC input") << DialogSetup([](CMainDlg& dlg, const TempDir&) {
      dlg.m_checkEuc->click();
    }) << OptionsSetup([=](COptionDlg& o) {
      toggle(o, 1029);
    }) << QStringList{"--euc", "-r", "1", "--order", "body", "--between", "numbered"}
                               << true << QStringList{"out.html"};
    QTest::newRow("one output per input") << none << OptionsSetup([=](COptionDlg& o) {
      toggle(o, 1020);
      toggle(o, 1029);
    }) << QStringList{"--per-file", "-r", "1", "--order", "body"}
                                          << false << QStringList{"Rev_a.html", "Rev_b.html"};
  }
  void sameOutputAsTheCommandLine() {
    QFETCH(DialogSetup, setup);
    QFETCH(OptionsSetup, options);
    QFETCH(QStringList, cliArgs);
    QFETCH(bool, euc);
    QFETCH(QStringList, outputs);
    TempDir gui;
    TempDir cli;
    for (const TempDir* d : {&gui, &cli}) {
      d->Write("a.html", euc ? kDocEuc : kDocA);
      d->Write("b.html", euc ? kDocEuc : kDocB);
    }

    CMainDlg dlg;
    dlg.OnInitDialog();
    dlg.show();
    AddInputs(dlg, {QString::fromStdString(gui.File("a.html")),
                    QString::fromStdString(gui.File("b.html"))});
    dlg.m_editOutput->setText(QString::fromStdString(gui.File("out.html")));
    setup(dlg, gui);
    if (options) {
      WhileModal(
          [&] {
            options(dlg.m_dlgOptions);
            Click(dlg.m_dlgOptions, 1);
          },
          [&] { Click(dlg, 1021); });
      QCOMPARE(dlg.m_bOptionsOpened, 1);
    }
    MessageRecorder rec(platform::IDYES);
    Click(dlg, 1004);
    QCOMPARE(ToQStrings(rec.Texts()).last(), QString::fromUtf8(msg::kNormalEnd));

    QProcess process;
    QStringList args = cliArgs;
    if (!outputs.first().startsWith("Rev_"))
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
