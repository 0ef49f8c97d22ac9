// The options dialog: its first showing, enabling rules, working copies and what survives
// the cancel button.
#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include "platform/qt/CDialogBuilder.h"
#include "ui/options/COptionDlg.h"

using platform::qt::GetDlgItem;

class OptionDlgTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<COptionDlg> m_dlg;

  // Opens the dialog as a showing does, without a modal loop.
  void Open() {
    m_dlg->OnInitDialog();
    m_dlg->show();
  }
  // Near the left edge: a check box takes clicks on its box and text only.
  void Click(QAbstractButton* b) {
    QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(6, b->height() / 2));
  }
  void Ok() { Click(GetDlgItem<QPushButton>(*m_dlg, 1)); }
  void Cancel() { Click(GetDlgItem<QPushButton>(*m_dlg, 2)); }
  void Choose(QComboBox* combo, int index) {
    combo->setCurrentIndex(index);
    emit combo->activated(index);
  }

 private slots:
  void init() { m_dlg = std::make_unique<COptionDlg>(); }
  void cleanup() { m_dlg.reset(); }

  void firstShowing() {
    Open();
    QCOMPARE(m_dlg->m_comboLeadCut->count(), 20);
    QCOMPARE(m_dlg->m_comboLeadCut->itemData(19).toInt(), 19);
    QCOMPARE(m_dlg->m_comboLeadCut->currentIndex() + m_dlg->m_comboTrailCut->currentIndex(), 0);
    QVERIFY(!m_dlg->m_checkCutOutsideRange->isChecked() && !m_dlg->m_checkSimpleHeader->isChecked());
    QVERIFY(m_dlg->m_checkOneFile->isChecked() && m_dlg->m_checkAppendSeparator->isChecked());
    QVERIFY(m_dlg->m_comboSeparatorText->isEnabled() && m_dlg->m_radioBodyFirst->isChecked());
    for (int layer = 1; layer <= 15; ++layer) {
      QVERIFY(m_dlg->m_apReverse[layer]->isCheckable() && !m_dlg->m_apReverse[layer]->isChecked());
      QVERIFY(m_dlg->m_apRange[layer]->isCheckable() && !m_dlg->m_apRange[layer]->isChecked());
    }
  }

  // Layer toggles: ids per layer, and the edits that OK confirms and cancel forgets.
  void layerToggles_data() {
    QTest::addColumn<int>("id");
    QTest::addColumn<int>("layer");
    QTest::addColumn<bool>("reverse");
    QTest::newRow("reverse 1") << 1029 << 1 << true;
    QTest::newRow("reverse 6") << 1034 << 6 << true;
    QTest::newRow("reverse 7 after the gap") << 1037 << 7 << true;
    QTest::newRow("reverse 15") << 1045 << 15 << true;
    QTest::newRow("range 1") << 1046 << 1 << false;
    QTest::newRow("range 15") << 1060 << 15 << false;
  }
  void layerToggles() {
    QFETCH(int, id);
    QFETCH(int, layer);
    QFETCH(bool, reverse);
    auto confirmed = [&] { return (reverse ? m_dlg->m_abyReverse : m_dlg->m_abyRange)[layer]; };
    auto* toggle = GetDlgItem<QPushButton>(*m_dlg, id);
    QCOMPARE(toggle->text(), QString::number(layer));

    Open();
    Click(toggle);
    QCOMPARE((reverse ? m_dlg->m_abyReverseEdit : m_dlg->m_abyRangeEdit)[layer], 1);
    Cancel();
    QCOMPARE(confirmed(), 0);

    Open();  // the abandoned edit is gone, and OK at once confirms nothing new
    QVERIFY(!toggle->isChecked());
    Ok();
    QCOMPARE(confirmed(), 0);

    Open();
    Click(toggle);
    Ok();
    QCOMPARE(confirmed(), 1);
    Open();
    QVERIFY(toggle->isChecked());
    Click(toggle);  // up again, then cancel: stays confirmed
    Cancel();
    QCOMPARE(confirmed(), 1);
    Open();
    QVERIFY(toggle->isChecked());
  }

  // 1020 enables 1019 and the text; the text also follows 1019; a per-file showing starts
  // with both disabled.
  void oneFileEnablesAppendAndText() {
    Open();
    auto enabled = [&] {
      return QString("%1%2").arg(m_dlg->m_checkAppendSeparator->isEnabled())
          .arg(m_dlg->m_comboSeparatorText->isEnabled());
    };
    Click(m_dlg->m_checkOneFile);
    QCOMPARE(enabled(), "00");
    Click(m_dlg->m_checkOneFile);
    QCOMPARE(enabled(), "11");
    Click(m_dlg->m_checkAppendSeparator);
    QCOMPARE(enabled(), "10");
    Click(m_dlg->m_checkOneFile);
    Click(m_dlg->m_checkOneFile);  // enables the text even though 1019 is clear
    QVERIFY(!m_dlg->m_checkAppendSeparator->isChecked());
    QCOMPARE(enabled(), "11");
    Click(m_dlg->m_checkOneFile);
    Ok();
    QCOMPARE(m_dlg->m_bOneFile, 0);
    Open();
    QVERIFY(!m_dlg->m_checkOneFile->isChecked());
    QCOMPARE(enabled(), "00");
  }

  void clearingAppendKeepsTheStyleOfThatMoment() {
    Open();
    Choose(m_dlg->m_comboSeparatorText, 0);
    Click(m_dlg->m_checkAppendSeparator);
    Ok();
    QCOMPARE(m_dlg->m_bAppendSeparator, 0);
    QCOMPARE(m_dlg->m_nSeparatorStyle, 0);
    Open();
    QVERIFY(!m_dlg->m_checkAppendSeparator->isChecked());
    QCOMPARE(m_dlg->m_comboSeparatorText->currentIndex(), 0);
    Click(m_dlg->m_checkAppendSeparator);
    Choose(m_dlg->m_comboSeparatorText, 1);
    Ok();
    QCOMPARE(m_dlg->m_bAppendSeparator, 1);
    QCOMPARE(m_dlg->m_nSeparatorStyle, 1);
  }

  // Values that take effect at the click and survive cancel, and those that wait for OK.
  void cancelKeepsOnlyClickedValues() {
    Open();
    Click(m_dlg->m_checkCutOutsideRange);
    Click(m_dlg->m_checkSimpleHeader);
    Click(m_dlg->m_radioSeparatorFirst);
    Choose(m_dlg->m_comboLeadCut, 4);
    Cancel();
    QCOMPARE(m_dlg->m_bCutOutsideRange, 1);
    QCOMPARE(m_dlg->m_nOrderRadio, 1);
    QCOMPARE(m_dlg->m_bSeparatorFirst, 0);
    QCOMPARE(m_dlg->m_bSimpleHeader, 0);
    QCOMPARE(m_dlg->m_nLeadCut, 0);
    Open();
    QVERIFY(m_dlg->m_checkCutOutsideRange->isChecked());
    QVERIFY(!m_dlg->m_checkSimpleHeader->isChecked());
    QVERIFY(m_dlg->m_radioBodyFirst->isChecked());  // the order radio follows the confirmed value
    QCOMPARE(m_dlg->m_comboLeadCut->currentIndex(), 0);
  }

  void okConfirmsEverything() {
    Open();
    Choose(m_dlg->m_comboLeadCut, 3);
    Choose(m_dlg->m_comboTrailCut, 19);
    Click(m_dlg->m_checkSimpleHeader);
    Click(m_dlg->m_radioSeparatorFirst);
    Ok();
    QCOMPARE(m_dlg->m_nLeadCut, 3);
    QCOMPARE(m_dlg->m_nLeadCutSel, 3);
    QCOMPARE(m_dlg->m_nTrailCut, 19);
    QCOMPARE(m_dlg->m_bSimpleHeader, 1);
    QCOMPARE(m_dlg->m_bSeparatorFirst, 1);
    Open();
    QCOMPARE(m_dlg->m_comboLeadCut->currentText(), QStringLiteral("3"));
    QCOMPARE(m_dlg->m_comboTrailCut->currentText(), QStringLiteral("19"));
    QVERIFY(m_dlg->m_checkSimpleHeader->isChecked());
    QVERIFY(m_dlg->m_radioSeparatorFirst->isChecked());
    Click(m_dlg->m_radioBodyFirst);
    Ok();
    QCOMPARE(m_dlg->m_bSeparatorFirst, 0);
  }
};

QTEST_MAIN(OptionDlgTest)
#include "OptionDlgTest.moc"
