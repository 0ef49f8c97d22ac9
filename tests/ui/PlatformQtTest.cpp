// The Qt platform pieces: templates built into widgets, and the message box.
#include <QApplication>
#include <QCheckBox>
#include <QDialog>
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

class PlatformQtTest : public QObject {
  Q_OBJECT

 private slots:
  // Every control findable by its id, its text unclipped in a Japanese gothic, and Tab going
  // through the controls in template order.
  void templatesBuildEveryControl() {
    for (const DialogTemplate* t :
         {&resources::kMainDialog, &resources::kOptionDialog, &resources::kAboutDialog}) {
      QDialog dlg;
      CDialogBuilder::Build(dlg, *t);
      QVERIFY2(dlg.font().family() == "IPAPGothic" || dlg.font().family() == "Noto Sans CJK JP",
               qPrintable(dlg.font().family()));
      QList<QWidget*> tabOrder;
      int index = 0;
      for (const ControlTemplate& c : t->controls) {
        const QString name = CDialogBuilder::ObjectName(c.nId, index++);
        const QByteArray where = t->caption + (" " + name.toUtf8());
        auto* w = dlg.findChild<QWidget*>(name, Qt::FindDirectChildrenOnly);
        QVERIFY2(w, where);
        if (qobject_cast<QLabel*>(w) || qobject_cast<QCheckBox*>(w) ||
            qobject_cast<QRadioButton*>(w))
          QVERIFY2(w->sizeHint().width() <= w->width(), where);
        if (w->focusPolicy() & Qt::TabFocus) tabOrder << w;
      }
      for (int i = 0; i < tabOrder.size(); ++i) {
        QWidget* next = tabOrder[i]->nextInFocusChain();
        while (!(next->focusPolicy() & Qt::TabFocus) || next->parentWidget() != &dlg)
          next = next->nextInFocusChain();
        QCOMPARE(next->objectName(), tabOrder[(i + 1) % tabOrder.size()]->objectName());
      }
    }
  }

  // A box of each type shown through the message seam, and the answer a key press gives.
  void messageBoxes_data() {
    QTest::addColumn<unsigned>("type");
    QTest::addColumn<int>("key");  // 0: click the Yes button, whose mnemonic differs by style
    QTest::addColumn<int>("answer");
    auto row = [](const char* name, unsigned type, int key, int answer) {
      QTest::newRow(name) << type << key << answer;
    };
    row("OK box, Enter", 0, Qt::Key_Return, platform::IDOK);
    row("No by default, Enter", 292, Qt::Key_Return, platform::IDNO);
    row("No by default, Esc", 292, Qt::Key_Escape, platform::IDNO);
    row("No by default, Yes clicked", 292, 0, platform::IDYES);
    row("Yes by default, Enter", 36, Qt::Key_Return, platform::IDYES);
  }
  void messageBoxes() {
    QFETCH(unsigned, type);
    QFETCH(int, key);
    QFETCH(int, answer);
    const CQtMessageBox factory(QStringLiteral("Velmorant"));
    const auto sink = factory.Install();
    QString shownText;
    QTimer::singleShot(0, [&] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (!box) return;
      shownText = box->windowTitle() + ":" + box->text();
      if (key == 0)
        box->button(QMessageBox::Yes)->click();
      else
        QTest::keyClick(box, Qt::Key(key));
    });
    QCOMPARE(platform::AfxMessageBox("上書きしますか？", type), answer);
    QCOMPARE(shownText, QStringLiteral("Velmorant:上書きしますか？"));
  }
};

QTEST_MAIN(PlatformQtTest)
#include "PlatformQtTest.moc"
