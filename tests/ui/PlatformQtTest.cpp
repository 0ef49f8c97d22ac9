// The Qt platform pieces: templates built into widgets, and the message box.
#include <QApplication>
#include <QDialog>
#include <QMessageBox>
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
  // Every control findable by its id.
  void templatesBuildEveryControl() {
    for (const DialogTemplate* t :
         {&resources::kMainDialog, &resources::kOptionDialog, &resources::kAboutDialog}) {
      QDialog dlg;
      CDialogBuilder::Build(dlg, *t);
      int index = 0;
      for (const ControlTemplate& c : t->controls) {
        const QString name = CDialogBuilder::ObjectName(c.nId, index++);
        auto* w = dlg.findChild<QWidget*>(name, Qt::FindDirectChildrenOnly);
        QVERIFY2(w, t->caption + (" " + name.toUtf8()));
      }
    }
  }

  // A box of each type shown through the message seam, and the answer a key press gives.
  void messageBoxes_data() {
    QTest::addColumn<unsigned>("type");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("answer");
    QTest::newRow("OK box, Enter") << 0u << int(Qt::Key_Return) << int(platform::IDOK);
    QTest::newRow("No by default, Enter") << 292u << int(Qt::Key_Return) << int(platform::IDNO);
    QTest::newRow("No by default, Esc") << 292u << int(Qt::Key_Escape) << int(platform::IDNO);
    QTest::newRow("Yes by default, Enter") << 36u << int(Qt::Key_Return) << int(platform::IDYES);
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
      QTest::keyClick(box, Qt::Key(key));
    });
    QCOMPARE(platform::AfxMessageBox("上書きしますか？", type), answer);
    QCOMPARE(shownText, QStringLiteral("Velmorant:上書きしますか？"));
  }
};

QTEST_MAIN(PlatformQtTest)
#include "PlatformQtTest.moc"
