// The main dialog's controls and handlers, driven through its widgets.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include "platform/qt/CDialogBuilder.h"
#include "platform/qt/CFileDialog.h"
#include "tests/support/TestFiles.h"
#include "tests/ui/GuiHelpers.h"
#include "ui/CAboutDlg.h"
#include "ui/CMainDlg.h"

using gui_testing::ListTexts;
using gui_testing::PickItem;
using gui_testing::SelectedRow;
using gui_testing::TypeInto;
using gui_testing::WhileModal;
using platform::qt::CFileDialog;
using platform::qt::GetDlgItem;

namespace {

const QString kPlaceholder = QStringLiteral("入力ファイル名");

// One user action on the list: a button and, for the list buttons, the row selected first.
struct Step {
  int button;         // 1002 add, 1009 delete, 1010 up, 1011 down
  QStringList paths;  // add: the file dialog's answer (empty: cancelled)
  int row = -1;       // the others: row clicked before the button (-1: keep the selection)
};
using Steps = QList<Step>;
Step Add(QStringList paths) { return {1002, std::move(paths)}; }
Step Delete(int row) { return {1009, {}, row}; }
Step Up(int row) { return {1010, {}, row}; }
Step Down(int row) { return {1011, {}, row}; }

}  // namespace

Q_DECLARE_METATYPE(Steps)

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
    testing_support::TempDir dir;
    const QString writable = QString::fromStdString(dir.Path());
    const QString name = QStringLiteral("/出力用のファイル.html");
    QCOMPARE(CMainDlg::DefaultOutputPath(writable, "/home/u"), writable + name);
    QCOMPARE(CMainDlg::DefaultOutputPath(writable + "/not-there", "/home/u"), "/home/u" + name);
  }

  // Sequences of list actions, and the list, the array and the selection they leave.
  void listActions_data() {
    QTest::addColumn<Steps>("steps");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<int>("selected");
    const QString a = "/d/a.html", b = "/d/b.html", c = "/d/c.html";
    QTest::newRow("one file replaces the placeholder") << Steps{Add({a})} << QStringList{a} << 0;
    QTest::newRow("same file twice") << Steps{Add({a}), Add({a})} << QStringList{a, a} << 1;
    QTest::newRow("three at once, dialog order")
        << Steps{Add({c, a, b})} << QStringList{c, a, b} << 2;
    QTest::newRow("cancelled dialog") << Steps{Add({a}), Add({})} << QStringList{a} << 0;
    QTest::newRow("delete on placeholder") << Steps{Delete(0)} << QStringList{kPlaceholder} << 0;
    QTest::newRow("up on placeholder") << Steps{Up(0)} << QStringList{kPlaceholder} << 0;
    QTest::newRow("down on placeholder") << Steps{Down(0)} << QStringList{kPlaceholder} << 0;
    QTest::newRow("delete the only file")
        << Steps{Add({a}), Delete(0)} << QStringList{kPlaceholder} << -1;
    QTest::newRow("delete last of three")
        << Steps{Add({a, b, c}), Delete(2)} << QStringList{a, b} << 1;
    QTest::newRow("delete middle of three")
        << Steps{Add({a, b, c}), Delete(1)} << QStringList{a, c} << 1;
    QTest::newRow("delete first of three")
        << Steps{Add({a, b, c}), Delete(0)} << QStringList{b, c} << 0;
    QTest::newRow("delete all three") << Steps{Add({a, b, c}), Delete(0), Delete(0), Delete(0)}
                                      << QStringList{kPlaceholder} << -1;
    QTest::newRow("up on first") << Steps{Add({a, b, c}), Up(0)} << QStringList{a, b, c} << 0;
    QTest::newRow("down on last") << Steps{Add({a, b, c}), Down(2)} << QStringList{a, b, c} << 2;
    QTest::newRow("up on second") << Steps{Add({a, b, c}), Up(1)} << QStringList{b, a, c} << 0;
    QTest::newRow("down on first") << Steps{Add({a, b, c}), Down(0)} << QStringList{b, a, c} << 1;
    QTest::newRow("down twice carries it")
        << Steps{Add({a, b, c}), Down(0), Down(-1)} << QStringList{b, c, a} << 2;
    QTest::newRow("add after delete to placeholder")
        << Steps{Add({a}), Delete(0), Add({b})} << QStringList{b} << 0;
  }
  void listActions() {
    QFETCH(Steps, steps);
    QFETCH(QStringList, expected);
    QFETCH(int, selected);
    for (const Step& s : steps) {
      if (s.button == 1002) CFileDialog::SetNextAnswer(s.paths);
      if (s.row >= 0) ClickRow(s.row);
      QTest::mouseClick(Button(s.button), Qt::LeftButton);
    }
    QCOMPARE(ListTexts(m_dlg->m_listInput), expected);
    QCOMPARE(SelectedRow(m_dlg->m_listInput), selected);
    const bool bFiles = expected != QStringList{kPlaceholder};
    QCOMPARE(m_dlg->m_astrInputPaths, bFiles ? expected : QStringList{});
    QCOMPARE(m_dlg->m_nFileCount, m_dlg->m_astrInputPaths.size());
    QCOMPARE(m_dlg->m_bListHasFiles, bFiles ? 1 : 0);
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
    QTest::addColumn<QStringList>("actions");  // "pick:N", "type:TEXT", "click:" 1007, "check:" 1016
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
        << QStringList{"type:abc", "click:"} << 1 << 0 << QStringLiteral("<TABLE><TR><TD><HR>");
    QTest::newRow("typing, 1007, hidden 1016 once") << QStringList{"type:abc", "click:", "check:"}
                                                    << 1 << 0 << QString();
    QTest::newRow("typing, 1007, hidden 1016 twice")
        << QStringList{"type:abc", "click:", "check:", "check:"} << 1 << 0
        << QStringLiteral("<TABLE><TR><TD><HR>");
    QTest::newRow("item 2 then typing")
        << QStringList{"pick:2", "type:名前"} << 1 << 2 << QStringLiteral("<HR>名前");
  }
  void separatorChoice() {
    QFETCH(QStringList, actions);
    QFETCH(int, userSeparator);
    QFETCH(int, kind);
    QFETCH(QString, text);
    for (const QString& a : actions) {
      if (a.startsWith("pick:")) PickItem(m_dlg->m_comboSeparator, a.mid(5).toInt());
      if (a.startsWith("type:")) TypeInto(m_dlg->m_comboSeparator, a.mid(5));
      if (a == "click:") Button(1007)->click();
      if (a == "check:") m_dlg->m_checkSpecifySeparator->click();
    }
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
};

QTEST_MAIN(MainDlgTest)
#include "MainDlgTest.moc"
