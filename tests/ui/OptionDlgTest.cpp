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
  QString Confirmed() const {
    const COptionDlg& d = *m_dlg;
    return QString("lead%1/%2 trail%3 cut%4 simple%5 first%6 radio%7 append%8 style%9")
        .arg(d.m_nLeadCut).arg(d.m_nLeadCutSel).arg(d.m_nTrailCut).arg(d.m_bCutOutsideRange)
        .arg(d.m_bSimpleHeader).arg(d.m_bSeparatorFirst).arg(d.m_nOrderRadio)
        .arg(d.m_bAppendSeparator).arg(d.m_nSeparatorStyle);
  }
  QString Shown() const {
    const COptionDlg& d = *m_dlg;
    return QString("lead%1 trail%2 cut%3 simple%4 first%5 append%6 style%7")
        .arg(d.m_comboLeadCut->currentText(), d.m_comboTrailCut->currentText())
        .arg(d.m_checkCutOutsideRange->isChecked()).arg(d.m_checkSimpleHeader->isChecked())
        .arg(d.m_radioSeparatorFirst->isChecked()).arg(d.m_checkAppendSeparator->isChecked())
        .arg(d.m_comboSeparatorText->currentIndex());
  }
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

  // The confirmed values after a sequence of edits closed by OK or cancel, and what the
  // next showing starts with.
  void clearingAppendKeepsTheStyleOfThatMoment() {
    Open();
    Choose(m_dlg->m_comboSeparatorText, 0);
    Click(m_dlg->m_checkAppendSeparator);
    Ok();
    QCOMPARE(Confirmed(), "lead0/0 trail0 cut0 simple0 first0 radio0 append0 style0");
    Open();
    QCOMPARE(Shown(), "lead0 trail0 cut0 simple0 first0 append0 style0");
    Click(m_dlg->m_checkAppendSeparator);
    Choose(m_dlg->m_comboSeparatorText, 1);
    Ok();
    QCOMPARE(Confirmed(), "lead0/0 trail0 cut0 simple0 first0 radio0 append1 style1");
  }

  // The cut check and the order radio take effect at the click and survive cancel; the
  // radio shown next follows the confirmed order, not the clicked one.
  void cancelKeepsOnlyClickedValues() {
    Open();
    Click(m_dlg->m_checkCutOutsideRange);
    Click(m_dlg->m_checkSimpleHeader);
    Click(m_dlg->m_radioSeparatorFirst);
    Choose(m_dlg->m_comboLeadCut, 4);
    Cancel();
    QCOMPARE(Confirmed(), "lead0/0 trail0 cut1 simple0 first0 radio1 append1 style1");
    Open();
    QCOMPARE(Shown(), "lead0 trail0 cut1 simple0 first0 append1 style1");
  }

  void okConfirmsEverything() {
    Open();
    Choose(m_dlg->m_comboLeadCut, 3);
    Choose(m_dlg->m_comboTrailCut, 19);
    Click(m_dlg->m_checkSimpleHeader);
    Click(m_dlg->m_radioSeparatorFirst);
    Ok();
    QCOMPARE(Confirmed(), "lead3/3 trail19 cut0 simple1 first1 radio1 append1 style1");
    Open();
    QCOMPARE(Shown(), "lead3 trail19 cut0 simple1 first1 append1 style1");
    Click(m_dlg->m_radioBodyFirst);
    Ok();
    QCOMPARE(Confirmed(), "lead3/3 trail19 cut0 simple1 first0 radio0 append1 style1");
  }
};

QTEST_MAIN(OptionDlgTest)
#include "OptionDlgTest.moc"
