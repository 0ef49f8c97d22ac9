// The Qt platform pieces: templates built into widgets, the message box, and Qt's own texts.
#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "ui/qt/CDialogBuilder.h"
#include "ui/qt/CFileDialog.h"
#include "ui/qt/CQtMessageBox.h"
#include "ui/qt/Translations.h"
#include "ui/resources/AboutDialog.h"
#include "ui/resources/MainDialog.h"
#include "ui/resources/OptionDialog.h"

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

  // A box of each type shown through the message seam: its title, its icon, and the answer a
  // key press gives. Each box leaves a title bar room for the title beside the window
  // manager's buttons.
  void messageBoxes_data() {
    QTest::addColumn<unsigned>("type");
    QTest::addColumn<QString>("about");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("answer");
    QTest::addColumn<QString>("title");
    QTest::addColumn<int>("icon");
    const int question = QMessageBox::Question;
    QTest::newRow("a refusal or failure: a warning")
        << 0u << "" << int(Qt::Key_Return) << int(platform::kIdOk) << "Velmorant"
        << int(QMessageBox::Warning);
    QTest::newRow("the end of a failed run")
        << unsigned(platform::kMbIconError) << "変換の結果" << int(Qt::Key_Return)
        << int(platform::kIdOk) << "変換の結果 - Velmorant" << int(QMessageBox::Critical);
    QTest::newRow("No by default, Enter")
        << 292u << "" << int(Qt::Key_Return) << int(platform::kIdNo) << "Velmorant" << question;
    QTest::newRow("No by default, Esc")
        << 292u << "" << int(Qt::Key_Escape) << int(platform::kIdNo) << "Velmorant" << question;
    QTest::newRow("Yes by default, Enter")
        << 36u << "" << int(Qt::Key_Return) << int(platform::kIdYes) << "Velmorant" << question;
  }
  void messageBoxes() {
    QFETCH(unsigned, type);
    QFETCH(QString, about);
    QFETCH(int, key);
    QFETCH(int, answer);
    QFETCH(QString, title);
    QFETCH(int, icon);
    const CQtMessageBox factory(QStringLiteral("Velmorant"));
    const auto sink = factory.Install();
    QStringList shown;
    int room = 0;
    QTimer::singleShot(0, [&] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (!box) return;
      shown << box->windowTitle() << box->text() << QString::number(box->icon());
      room = box->width() - box->fontMetrics().horizontalAdvance(box->windowTitle());
      QTest::keyClick(box, Qt::Key(key));
    });
    QCOMPARE(platform::AfxMessageBox("完了", type, false, about.toStdString()), answer);
    QCOMPARE(shown, QStringList({title, "完了", QString::number(icon)}));
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
    const auto box = CQtMessageBox("Velmorant").Create({"?", 292, false, ""}, nullptr);
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
