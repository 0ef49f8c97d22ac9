// The Qt platform pieces: templates built into widgets, the message box and the file
// dialog facade.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QProgressBar>
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

Q_DECLARE_METATYPE(const DialogTemplate*)

namespace {

bool KindMatches(QWidget* w, const ControlTemplate& c) {
  switch (c.kind) {
    case ControlKind::kPushButton:
    case ControlKind::kDefPushButton: {
      auto* b = qobject_cast<QPushButton*>(w);
      return b && b->isDefault() == (c.kind == ControlKind::kDefPushButton) && !b->isCheckable();
    }
    case ControlKind::kCheckBox:
      if (c.style & kPushLike) {
        auto* b = qobject_cast<QPushButton*>(w);
        return b && b->isCheckable();
      }
      return qobject_cast<QCheckBox*>(w);
    case ControlKind::kRadioButton:
      return qobject_cast<QRadioButton*>(w);
    case ControlKind::kGroupBox:
      return qobject_cast<QGroupBox*>(w);
    case ControlKind::kLabel:
    case ControlKind::kIcon:
      return qobject_cast<QLabel*>(w);
    case ControlKind::kEdit:
      return qobject_cast<QLineEdit*>(w);
    case ControlKind::kListBox:
      return qobject_cast<QListWidget*>(w);
    case ControlKind::kComboDropDown:
      return qobject_cast<QComboBox*>(w) && static_cast<QComboBox*>(w)->isEditable();
    case ControlKind::kComboDropList:
      return qobject_cast<QComboBox*>(w) && !static_cast<QComboBox*>(w)->isEditable();
    case ControlKind::kProgress:
      return qobject_cast<QProgressBar*>(w);
  }
  return false;
}

QString Caption(QWidget* w) {
  if (auto* b = qobject_cast<QAbstractButton*>(w)) return b->text();
  if (auto* l = qobject_cast<QLabel*>(w)) return l->text();
  if (auto* g = qobject_cast<QGroupBox*>(w)) return g->title();
  return QString();
}

}  // namespace

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

    QList<QWidget*> tabOrder;
    int index = 0;
    for (const ControlTemplate& c : t->controls) {
      const QString name = CDialogBuilder::ObjectName(c.nId, index++);
      auto* w = dlg.findChild<QWidget*>(name, Qt::FindDirectChildrenOnly);
      QVERIFY2(w, qPrintable(name));
      QVERIFY2(KindMatches(w, c), qPrintable(name));
      if (c.kind != ControlKind::kIcon) QCOMPARE(Caption(w), QString::fromUtf8(c.caption));
      QCOMPARE(w->isHidden(), bool(c.style & kHidden));
      const QRect r = CDialogBuilder::MapDialogRect(fm, c.x, c.y, c.cx, c.cy);
      QCOMPARE(w->pos(), r.topLeft());
      QCOMPARE(w->width(), r.width());
      if (!qobject_cast<QComboBox*>(w)) QCOMPARE(w->height(), r.height());
      QVERIFY2(w->geometry().bottom() <= dlg.height() && w->geometry().right() <= dlg.width(),
               qPrintable(name));
      // Texts fit their rectangles in the dialog font: nothing is clipped.
      if (qobject_cast<QLabel*>(w) || qobject_cast<QCheckBox*>(w) ||
          qobject_cast<QRadioButton*>(w)) {
        QVERIFY2(w->sizeHint().width() <= w->width(), qPrintable(name + " " + Caption(w)));
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

  void messageBoxTypes_data() {
    QTest::addColumn<unsigned>("type");
    QTest::addColumn<int>("buttons");
    QTest::addColumn<int>("defaultButton");
    QTest::addColumn<int>("icon");
    QTest::newRow("0 plain OK") << 0u << int(QMessageBox::Ok) << int(QMessageBox::Ok)
                                << int(QMessageBox::NoIcon);
    QTest::newRow("292 question, No default") << 292u << int(QMessageBox::Yes | QMessageBox::No)
                                              << int(QMessageBox::No) << int(QMessageBox::Question);
    QTest::newRow("36 question, Yes default")
        << 36u << int(QMessageBox::Yes | QMessageBox::No) << int(QMessageBox::Yes)
        << int(QMessageBox::Question);
  }
  void messageBoxTypes() {
    QFETCH(unsigned, type);
    QFETCH(int, buttons);
    QFETCH(int, defaultButton);
    QFETCH(int, icon);
    const CQtMessageBox factory(QStringLiteral("Velmorant"));
    const auto box =
        factory.Create({"同名のファイルが存在します。\n上書きしますか？", type, false}, nullptr);
    QCOMPARE(box->windowTitle(), QStringLiteral("Velmorant"));
    QCOMPARE(box->text(), QStringLiteral("同名のファイルが存在します。\n上書きしますか？"));
    QCOMPARE(int(box->standardButtons()), buttons);
    QCOMPARE(int(box->standardButton(box->defaultButton())), defaultButton);
    QCOMPARE(int(box->icon()), icon);
  }

  // The key pressed in a shown box and the answer it gives.
  void messageBoxAnswers_data() {
    QTest::addColumn<unsigned>("type");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("answer");
    QTest::newRow("292 Enter is No") << 292u << int(Qt::Key_Return) << int(platform::IDNO);
    QTest::newRow("292 Esc is No") << 292u << int(Qt::Key_Escape) << int(platform::IDNO);
    QTest::newRow("292 Y is Yes") << 292u << int(Qt::Key_Y) << int(platform::IDYES);
    QTest::newRow("0 Enter is OK") << 0u << int(Qt::Key_Return) << int(platform::IDOK);
  }
  void messageBoxAnswers() {
    QFETCH(unsigned, type);
    QFETCH(int, key);
    QFETCH(int, answer);
    const CQtMessageBox factory(QStringLiteral("Velmorant"));
    const auto sink = factory.Install();
    QTimer::singleShot(0, [key] {
      QWidget* box = QApplication::activeModalWidget();
      if (!box) return;
      if (key == Qt::Key_Y) {
        // The Yes button's mnemonic differs between styles; press the button itself.
        static_cast<QMessageBox*>(box)->button(QMessageBox::Yes)->click();
      } else {
        QTest::keyClick(box, Qt::Key(key));
      }
    });
    QCOMPARE(platform::AfxMessageBox("上書きしますか？", type), answer);
  }
};

QTEST_MAIN(PlatformQtTest)
#include "PlatformQtTest.moc"
