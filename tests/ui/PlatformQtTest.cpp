// The Qt platform pieces: templates built into widgets, the message box, and Qt's own texts.
#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "platform/qt/CDialogBuilder.h"
#include "platform/qt/CFileDialog.h"
#include "platform/qt/CQtMessageBox.h"
#include "platform/qt/Translations.h"
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

  // A box of each type shown through the message seam, and the answer a key press gives. Each
  // box leaves a title bar room for the title beside the window manager's buttons.
  void messageBoxes_data() {
    QTest::addColumn<unsigned>("type");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("answer");
    QTest::newRow("OK box, Enter") << 0u << int(Qt::Key_Return) << int(platform::kIdOk);
    QTest::newRow("No by default, Enter") << 292u << int(Qt::Key_Return) << int(platform::kIdNo);
    QTest::newRow("No by default, Esc") << 292u << int(Qt::Key_Escape) << int(platform::kIdNo);
    QTest::newRow("Yes by default, Enter") << 36u << int(Qt::Key_Return) << int(platform::kIdYes);
  }
  void messageBoxes() {
    QFETCH(unsigned, type);
    QFETCH(int, key);
    QFETCH(int, answer);
    const CQtMessageBox factory(QStringLiteral("Velmorant"));
    const auto sink = factory.Install();
    QString shownText;
    int room = 0;
    QTimer::singleShot(0, [&] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (!box) return;
      shownText = box->windowTitle() + ":" + box->text();
      room = box->width() - box->fontMetrics().horizontalAdvance(box->windowTitle());
      QTest::keyClick(box, Qt::Key(key));
    });
    QCOMPARE(platform::AfxMessageBox("完了", type), answer);
    QCOMPARE(shownText, QStringLiteral("Velmorant:完了"));
    QVERIFY2(room >= 150, qPrintable(QString::number(room)));
  }

  // Qt's own texts (question buttons, file dialogs) in the language of the locale; a later
  // locale replaces the texts of an earlier one.
  void qtTextsFollowTheLocale_data() {
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("texts");
    QTest::newRow("ja_JP") << "ja_JP"
                           << "はい(&Y) いいえ(&N) 名前を付けて保存 ファイル名(&N):";
    QTest::newRow("C after ja_JP") << "C"
                                   << "&Yes &No Save As File &name:";
  }
  void qtTextsFollowTheLocale() {
    QFETCH(QString, locale);
    QFETCH(QString, texts);
    QLocale::setDefault(QLocale(locale));
    InstallQtTranslations(*qApp);
    const auto box = CQtMessageBox("Velmorant").Create({"?", 292}, nullptr);
    const auto dlg = CFileDialog::Create(nullptr, CFileDialog::Mode::kSave, "/tmp/x.html", "");
    QCOMPARE(
        QStringList({box->button(QMessageBox::Yes)->text(), box->button(QMessageBox::No)->text(),
                     dlg->windowTitle(), dlg->labelText(QFileDialog::FileName)})
            .join(' '),
        texts);
  }
};

QTEST_MAIN(PlatformQtTest)
#include "PlatformQtTest.moc"
