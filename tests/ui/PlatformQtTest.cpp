// The Qt platform pieces: templates built into widgets, the message box and the file
// dialog facade.
#include <QApplication>
#include <QDialog>
#include <QFontMetrics>
#include <QCheckBox>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

#include "platform/qt/CDialogBuilder.h"
#include "platform/qt/CQtMessageBox.h"
#include "resources/AboutDialog.h"
#include "resources/MainDialog.h"
#include "resources/OptionDialog.h"

using namespace platform::qt;
using platform::IDNO;
using platform::IDOK;
using platform::IDYES;

Q_DECLARE_METATYPE(const DialogTemplate*)

class PlatformQtTest : public QObject {
  Q_OBJECT

 private slots:
  void templatesBuildEveryControl_data() {
    QTest::addColumn<const DialogTemplate*>("t");
    QTest::newRow("102 main") << &resources::kMainDialog;
    QTest::newRow("129 options") << &resources::kOptionDialog;
    QTest::newRow("100 about") << &resources::kAboutDialog;
  }
  void templatesBuildEveryControl() {
    QFETCH(const DialogTemplate*, t);
    QDialog dlg;
    CDialogBuilder::Build(dlg, *t);
    QCOMPARE(dlg.windowTitle(), QString::fromUtf8(t->caption));
    const QFontMetrics fm(dlg.font());
    QCOMPARE(dlg.size(), CDialogBuilder::MapDialogRect(fm, 0, 0, t->cx, t->cy).size());

    // Every control findable by its id, placed by converting its dialog units, inside the
    // dialog and with its text unclipped in the dialog font; tab order follows the template.
    QList<QWidget*> tabOrder;
    int index = 0;
    for (const ControlTemplate& c : t->controls) {
      const QString name = CDialogBuilder::ObjectName(c.nId, index++);
      auto* w = dlg.findChild<QWidget*>(name, Qt::FindDirectChildrenOnly);
      QVERIFY2(w, qPrintable(name));
      const QRect r = CDialogBuilder::MapDialogRect(fm, c.x, c.y, c.cx, c.cy);
      QCOMPARE(w->pos(), r.topLeft());
      QCOMPARE(w->width(), r.width());
      if (!w->inherits("QComboBox")) QCOMPARE(w->height(), r.height());
      QVERIFY2(w->geometry().bottom() <= dlg.height() && w->geometry().right() <= dlg.width(),
               qPrintable(name));
      if (qobject_cast<QLabel*>(w) || qobject_cast<QCheckBox*>(w) ||
          qobject_cast<QRadioButton*>(w)) {
        QVERIFY2(w->sizeHint().width() <= w->width(), qPrintable(name));
      }
      if (w->focusPolicy() & Qt::TabFocus) tabOrder << w;
    }
    // Tab goes through the controls in template order and comes back to the first.
    for (int i = 0; i < tabOrder.size(); ++i) {
      QWidget* next = tabOrder[i]->nextInFocusChain();
      while (!(next->focusPolicy() & Qt::TabFocus) || next->parentWidget() != &dlg)
        next = next->nextInFocusChain();
      QCOMPARE(next->objectName(), tabOrder[(i + 1) % tabOrder.size()]->objectName());
    }
  }

  void dialogFontIsAJapaneseGothic() {
    const QFont font = CDialogBuilder::DialogFont();
    QCOMPARE(font.pointSize(), 9);
    QVERIFY2(font.family() == "IPAPGothic" || font.family() == "Noto Sans CJK JP",
             qPrintable(font.family()));
  }

  // A box of each type: its buttons, default and icon, and the answer a key press gives.
  void messageBoxes_data() {
    QTest::addColumn<unsigned>("type");
    QTest::addColumn<int>("buttons");
    QTest::addColumn<int>("defaultButton");
    QTest::addColumn<int>("icon");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("answer");
    const int yesNo = QMessageBox::Yes | QMessageBox::No, q = QMessageBox::Question;
    QTest::newRow("0 Enter is OK") << 0u << int(QMessageBox::Ok) << int(QMessageBox::Ok)
                                   << int(QMessageBox::NoIcon) << int(Qt::Key_Return) << int(IDOK);
    QTest::newRow("292 Enter is No") << 292u << yesNo << int(QMessageBox::No) << q
                                     << int(Qt::Key_Return) << int(IDNO);
    QTest::newRow("292 Esc is No") << 292u << yesNo << int(QMessageBox::No) << q
                                   << int(Qt::Key_Escape) << int(IDNO);
    QTest::newRow("292 Y is Yes") << 292u << yesNo << int(QMessageBox::No) << q
                                  << int(Qt::Key_Y) << int(IDYES);
    QTest::newRow("36 Enter is Yes") << 36u << yesNo << int(QMessageBox::Yes) << q
                                     << int(Qt::Key_Return) << int(IDYES);
  }
  void messageBoxes() {
    QFETCH(unsigned, type);
    QFETCH(int, buttons);
    QFETCH(int, defaultButton);
    QFETCH(int, icon);
    QFETCH(int, key);
    QFETCH(int, answer);
    const CQtMessageBox factory(QStringLiteral("Velmorant"));
    const auto box = factory.Create({"上書きしますか？", type, false}, nullptr);
    QCOMPARE(box->windowTitle(), QStringLiteral("Velmorant"));
    QCOMPARE(box->text(), QStringLiteral("上書きしますか？"));
    QCOMPARE(int(box->standardButtons()), buttons);
    QCOMPARE(int(box->standardButton(box->defaultButton())), defaultButton);
    QCOMPARE(int(box->icon()), icon);
    const auto sink = factory.Install();
    QTimer::singleShot(0, [key] {
      auto* shown = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (!shown) return;
      // The Yes button's mnemonic differs between styles; press the button itself.
      if (key == Qt::Key_Y) shown->button(QMessageBox::Yes)->click();
      else QTest::keyClick(shown, Qt::Key(key));
    });
    QCOMPARE(platform::AfxMessageBox("上書きしますか？", type), answer);
  }
};

QTEST_MAIN(PlatformQtTest)
#include "PlatformQtTest.moc"
