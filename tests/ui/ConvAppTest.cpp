// The application shows the main dialog once and returns when it closes.
#include <QApplication>
#include <QPushButton>
#include <QTest>

#include "platform/qt/CDialogBuilder.h"
#include "tests/ui/GuiHelpers.h"
#include "ui/CConvApp.h"
#include "ui/CMainDlg.h"

class ConvAppTest : public QObject {
  Q_OBJECT

 private slots:
  void endsWhenTheDialogCloses_data() {
    QTest::addColumn<bool>("escape");
    QTest::newRow("exit button") << false;
    QTest::newRow("escape key") << true;
  }
  void endsWhenTheDialogCloses() {
    QFETCH(bool, escape);
    QString title;
    CConvApp app;
    int result = -1;
    gui_testing::WhileModal(
        [&] {
          auto* dlg = dynamic_cast<CMainDlg*>(QApplication::activeModalWidget());
          QVERIFY(dlg);
          title = dlg->windowTitle();
          if (escape) {
            QTest::keyClick(dlg, Qt::Key_Escape);
          } else {
            QTest::mouseClick(platform::qt::GetDlgItem<QPushButton>(*dlg, 1), Qt::LeftButton);
          }
        },
        [&] { result = app.InitInstance(); });
    QCOMPARE(title, QStringLiteral("Velmorant Ver1.32"));
    QCOMPARE(result, 0);
    QVERIFY(!QApplication::activeModalWidget());
  }
};

QTEST_MAIN(ConvAppTest)
#include "ConvAppTest.moc"
