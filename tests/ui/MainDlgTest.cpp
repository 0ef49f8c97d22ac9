// The main dialog's controls and handlers, driven through its widgets; the run button's
// checks and messages, and runs from the dialog compared byte for byte with the command line.
#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
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
using platform::qt::GetDlgItem;
using testing_support::MessageRecorder;
using testing_support::ReadFile;
using testing_support::TempDir;

namespace {

// Runs `actions` once a modal window is up, then closes it if the actions left it open (so
// a failed check inside cannot hang the test), and runs `show` for the modal loop.
void WhileModal(std::function<void()> actions, const std::function<void()>& show) {
  QTimer::singleShot(0, [actions = std::move(actions)] {
    QWidget* modal = QApplication::activeModalWidget();
    actions();
    if (modal && modal->isVisible()) {
      if (auto* dlg = qobject_cast<QDialog*>(modal)) dlg->reject();
    }
  });
  show();
}

// Picks an item the way a user does: opens the list and clicks the item.
void PickItem(QComboBox* combo, int index) {
  combo->showPopup();
  QAbstractItemView* view = combo->view();
  const QModelIndex item =
      view->model()->index(index, combo->modelColumn(), combo->rootModelIndex());
  view->scrollTo(item);
  QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(item).center());
  QApplication::processEvents();
}

// Types `text` at the end of a combo box's field.
void TypeInto(QComboBox* combo, const QString& text) {
  combo->lineEdit()->setFocus();
  combo->lineEdit()->end(false);
  for (const QChar c : text) {
    // QTest maps only ASCII to keys; other characters arrive as text, as from an input method.
    if (c.unicode() < 0x80) {
      QTest::keyClick(combo->lineEdit(), c.toLatin1());
    } else {
      QTest::sendKeyEvent(QTest::Click, combo->lineEdit(), Qt::Key_unknown, QString(c),
                          Qt::NoModifier);
    }
  }
}

QStringList ListTexts(const QListWidget* list) {
  QStringList texts;
  for (int i = 0; i < list->count(); ++i) texts << list->item(i)->text();
  return texts;
}

int SelectedRow(const QListWidget* list) {
  const QModelIndexList rows = list->selectionModel()->selectedRows();
  return rows.isEmpty() ? -1 : rows.first().row();
}

QStringList ToQStrings(const std::vector<std::string>& v) {
  QStringList out;
  for (const auto& s : v) out << QString::fromStdString(s);
  return out;
}

const QString kPlaceholder = QStringLiteral("入力ファイル名");

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
    if (verb == "press") GetDlgItem<QAbstractButton>(dlg, arg.toInt())->click();  // hidden too
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


class MainDlgTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<CMainDlg> m_dlg;
  QPushButton* Button(int id) { return GetDlgItem<QPushButton>(*m_dlg, id); }
  void ClickRow(int row) {
    QListWidget* list = m_dlg->m_listInput;
    const QRect r = list->visualItemRect(list->item(row));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, r.center());
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

  // The starting state, and the default output in the program's folder when it is
  // writable, else in the home folder.
  void startsWithTheDefaults() {
    QCOMPARE(ListTexts(m_dlg->m_listInput), QStringList{kPlaceholder});
    QCOMPARE(m_dlg->m_bListHasFiles + m_dlg->m_nFileCount + m_dlg->m_bUserSeparator +
                 m_dlg->m_nSeparatorKind + m_dlg->m_bOptionsOpened,
             0);
    QCOMPARE(m_dlg->m_comboSeparator->currentIndex(), 0);
    QVERIFY(!m_dlg->m_checkEuc->isChecked());
    QCOMPARE(m_dlg->m_editOutput->text(), QDir(QCoreApplication::applicationDirPath())
                                              .filePath(QStringLiteral("出力用のファイル.html")));
    for (int id : {2, 1007, 1016})
      QVERIFY2(m_dlg->findChild<QWidget*>(QString::number(id))->isHidden(),
               qPrintable(QString::number(id)));
    TempDir dir;
    const QString writable = QString::fromStdString(dir.Path());
    const QString name = QStringLiteral("/出力用のファイル.html");
    QCOMPARE(CMainDlg::DefaultOutputPath(writable, "/home/u"), writable + name);
    QCOMPARE(CMainDlg::DefaultOutputPath(writable + "/not-there", "/home/u"), "/home/u" + name);
  }

  // Sequences of list actions, and the list, the array and the selection they leave.
  // Steps, separated by spaces: "+cab" adds /d/c.html, /d/a.html, /d/b.html through the
  // file dialog ("+" alone: cancelled); "-N", "^N", "vN" click row N (no N: keep the
  // selection), then delete, up or down. Then the files listed ("": the placeholder).
  void listActions_data() {
    QTest::addColumn<QString>("steps");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<int>("selected");
    QTest::newRow("one file replaces the placeholder") << "+a" << "a" << 0;
    QTest::newRow("same file twice") << "+a +a" << "aa" << 1;
    QTest::newRow("three at once, dialog order") << "+cab" << "cab" << 2;
    QTest::newRow("cancelled dialog") << "+a +" << "a" << 0;
    QTest::newRow("delete on placeholder") << "-0" << "" << 0;
    QTest::newRow("up on placeholder") << "^0" << "" << 0;
    QTest::newRow("down on placeholder") << "v0" << "" << 0;
    QTest::newRow("delete the only file") << "+a -0" << "" << -1;
    QTest::newRow("delete last of three") << "+abc -2" << "ab" << 1;
    QTest::newRow("delete middle of three") << "+abc -1" << "ac" << 1;
    QTest::newRow("delete first of three") << "+abc -0" << "bc" << 0;
    QTest::newRow("delete all three") << "+abc -0 -0 -0" << "" << -1;
    QTest::newRow("up on first") << "+abc ^0" << "abc" << 0;
    QTest::newRow("down on last") << "+abc v2" << "abc" << 2;
    QTest::newRow("up on second") << "+abc ^1" << "bac" << 0;
    QTest::newRow("down on first") << "+abc v0" << "bac" << 1;
    QTest::newRow("down twice carries it") << "+abc v0 v" << "bca" << 2;
    QTest::newRow("add after delete to placeholder") << "+a -0 +b" << "b" << 0;
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
    for (const QString& step : steps.split(' ')) {
      const QString arg = step.mid(1);
      if (step[0] == '+') CFileDialog::SetNextAnswer(paths(arg));
      else if (!arg.isEmpty()) ClickRow(arg.toInt());
      const int button[] = {1002, 1009, 1010, 1011};
      QTest::mouseClick(Button(button[QStringLiteral("+-^v").indexOf(step[0])]), Qt::LeftButton);
    }
    QCOMPARE(ListTexts(m_dlg->m_listInput), expected.isEmpty() ? QStringList{kPlaceholder} : paths(expected));
    QCOMPARE(SelectedRow(m_dlg->m_listInput), selected);
    QCOMPARE(m_dlg->m_astrInputPaths, paths(expected));
    QCOMPARE(m_dlg->m_nFileCount, m_dlg->m_astrInputPaths.size());
    QCOMPARE(m_dlg->m_bListHasFiles, expected.isEmpty() ? 0 : 1);
  }

  void browseOutputSetsOrKeepsTheField() {
    const QString before = m_dlg->m_editOutput->text();
    CFileDialog::SetNextAnswer({});
    QTest::mouseClick(Button(1003), Qt::LeftButton);
    QCOMPARE(m_dlg->m_editOutput->text(), before);
    CFileDialog::SetNextAnswer({"/tmp/新しい名前.html"});
    QTest::mouseClick(Button(1003), Qt::LeftButton);
    QCOMPARE(m_dlg->m_editOutput->text(), QStringLiteral("/tmp/新しい名前.html"));
  }

  // What the user does with combo 1028, and the separator state it leaves.
  void separatorChoice_data() {
    QTest::addColumn<QStringList>("actions");  // steps as in Act()
    QTest::addColumn<int>("userSeparator");
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("text");
    QTest::newRow("typing after item 0")
        << QStringList{"type:abc"} << 1 << 0 << QStringLiteral("<TABLE><TR><TD><HR>abc");
    QTest::newRow("item 3 then typing") << QStringList{"pick:3", "type:x"} << 1 << 3
                                        << QStringLiteral("ユーザー指定の区切り文字列のみx");
    QTest::newRow("typing then item 2")
        << QStringList{"type:abc", "pick:2"} << 1 << 2 << QStringLiteral("<HR>");
    QTest::newRow("item 1 alone") << QStringList{"pick:1"} << 0 << 1
                                  << QStringLiteral("<TABLE><TR><TD>");
    QTest::newRow("item 3 alone") << QStringList{"pick:3"} << 1 << 3
                                  << QStringLiteral("ユーザー指定の区切り文字列のみ");
    // The hidden button 1007 and check box 1016 reset the field but keep the state.
    QTest::newRow("typing, then hidden 1007")
        << QStringList{"type:abc", "press:1007"} << 1 << 0 << QStringLiteral("<TABLE><TR><TD><HR>");
    QTest::newRow("typing, 1007, hidden 1016 once") << QStringList{"type:abc", "press:1007", "press:1016"}
                                                    << 1 << 0 << QString();
    QTest::newRow("typing, 1007, hidden 1016 twice")
        << QStringList{"type:abc", "press:1007", "press:1016", "press:1016"} << 1 << 0
        << QStringLiteral("<TABLE><TR><TD><HR>");
    QTest::newRow("item 2 then typing")
        << QStringList{"pick:2", "type:名前"} << 1 << 2 << QStringLiteral("<HR>名前");
  }
  void separatorChoice() {
    QFETCH(QStringList, actions);
    QFETCH(int, userSeparator);
    QFETCH(int, kind);
    QFETCH(QString, text);
    Act(*m_dlg, TempDir(), actions);
    QCOMPARE(m_dlg->m_bUserSeparator, userSeparator);
    QCOMPARE(m_dlg->m_nSeparatorKind, kind);
    QCOMPARE(m_dlg->m_comboSeparator->currentText(), text);
  }

  void typedTextStopsAtTheFieldsEnd() {
    QComboBox* combo = m_dlg->m_comboSeparator;
    combo->lineEdit()->clear();
    TypeInto(combo, QString(200, QChar('W')));
    const int typed = combo->currentText().size();
    QVERIFY2(typed > 5 && typed < 200, qPrintable(QString::number(typed)));
  }

  void optionsCancelledStillCount() {
    bool bShown = false;
    WhileModal(
        [&] {
          bShown = QApplication::activeModalWidget() == &m_dlg->m_dlgOptions;
          QTest::mouseClick(GetDlgItem<QPushButton>(m_dlg->m_dlgOptions, 2), Qt::LeftButton);
        },
        [&] { QTest::mouseClick(Button(1021), Qt::LeftButton); });
    QVERIFY(bShown);
    QCOMPARE(m_dlg->m_bOptionsOpened, 1);
  }

  void aboutEntryOpensTheAboutBox() {
    bool bShown = false;
    WhileModal(
        [&] {
          auto* box = dynamic_cast<CAboutDlg*>(QApplication::activeModalWidget());
          bShown = box != nullptr;
          if (box) QTest::mouseClick(GetDlgItem<QPushButton>(*box, 1), Qt::LeftButton);
        },
        [&] { m_dlg->m_menuSystem.actions().last()->trigger(); });
    QVERIFY(bShown);
    QVERIFY(m_dlg->isVisible());
  }

  void exitAndEscapeCloseTheDialog_data() {
    QTest::addColumn<int>("how");  // 0 exit button, 1 Esc, 2 close entry of the menu
    QTest::newRow("exit") << 0;
    QTest::newRow("escape") << 1;
    QTest::newRow("close entry") << 2;
  }
  void exitAndEscapeCloseTheDialog() {
    QFETCH(int, how);
    CFileDialog::SetNextAnswer({"/d/a.html"});
    Button(1002)->click();
    int result = -1;
    WhileModal(
        [&] {
          if (how == 0) QTest::mouseClick(Button(1), Qt::LeftButton);
          if (how == 1) QTest::keyClick(m_dlg.get(), Qt::Key_Escape);
          if (how == 2) m_dlg->m_menuSystem.actions().first()->trigger();
          QVERIFY(!m_dlg->isVisible());
        },
        [&] { result = m_dlg->exec(); });
    QCOMPARE(result, how == 0 ? int(QDialog::Accepted) : int(QDialog::Rejected));
  }

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
    CMainDlg& dlg = *m_dlg;
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
    CMainDlg& dlg = *m_dlg;
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
    CMainDlg& dlg = *m_dlg;
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

QTEST_MAIN(MainDlgTest)
#include "MainDlgTest.moc"
