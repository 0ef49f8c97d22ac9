// The options dialog's Qt wiring: clicks and picks reach its behaviour, OK keeps them, and
// キャンセル and Esc forget even what follows its control at the click; the next showing
// shows what was kept.
#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include "ui/options/COptionDlg.h"
#include "ui/qt/CDialogBuilder.h"
#include "ui/resources/ControlIds.h"

using namespace resources;

class OptionDlgTest : public QObject {
  Q_OBJECT

 private slots:
  void leaving_data() {
    QTest::addColumn<int>("button");  // 0: Esc
    QTest::addColumn<bool>("kept");
    QTest::newRow("OK") << kIdOk << true;
    QTest::newRow("キャンセル") << kIdCancel << false;
    QTest::newRow("Esc") << 0 << false;
  }
  void leaving() {
    QFETCH(int, button);
    QFETCH(bool, kept);
    COptionDlg d;
    d.OnInitDialog();  // as a showing does, without a modal loop
    d.show();
    for (const int id : {kIdCutOutsideRange, kIdSimpleHeader, kIdSeparatorFirst,
                         kReverseLayerIds[7], kRangeLayerIds[15], kIdAppendSeparator}) {
      auto* b = platform::qt::GetDlgItem<QAbstractButton>(d, id);
      QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(6, b->height() / 2));  // on the box
    }
    for (auto [combo, item] : {std::pair{d.m_comboLeadCut, 3}, {d.m_comboTrailCut, 19}}) {
      combo->setCurrentIndex(item);
      emit combo->activated(item);
    }
    QVERIFY(!d.m_comboSeparatorText->isEnabled());  // follows append
    if (button)
      platform::qt::GetDlgItem<QPushButton>(d, button)->click();
    else
      QTest::keyClick(&d, Qt::Key_Escape);
    QVERIFY(!d.isVisible());
    d.OnInitDialog();
    QCOMPARE(QList<bool>(
                 {d.m_checkCutOutsideRange->isChecked(), d.m_checkSimpleHeader->isChecked(),
                  d.m_apReverse[7]->isChecked(), d.m_apRange[15]->isChecked(),
                  d.m_radioSeparatorFirst->isChecked(), !d.m_checkAppendSeparator->isChecked(),
                  d.m_comboLeadCut->currentIndex() == 3, d.m_comboTrailCut->currentIndex() == 19}),
             QList<bool>(8, kept));
  }
};

QTEST_MAIN(OptionDlgTest)
#include "OptionDlgTest.moc"
