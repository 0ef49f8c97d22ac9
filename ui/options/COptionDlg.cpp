#include "ui/options/COptionDlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QRadioButton>
#include <algorithm>
#include <iterator>

#include "ui/qt/CDialogBuilder.h"
#include "ui/qt/CItemSizeDelegate.h"
#include "ui/resources/ControlIds.h"
#include "ui/resources/OptionDialog.h"

using platform::qt::GetDlgItem;

namespace {
constexpr int kCutCount = engine::kMaxCut + 1;
static_assert(std::size(resources::kReverseLayerIds) == engine::kMaxLayer + 1);
static_assert(std::size(resources::kRangeLayerIds) == engine::kMaxLayer + 1);
constexpr int kItemHeight = 17;
}  // namespace

COptionDlg::COptionDlg() : QDialog(nullptr) {
  platform::qt::CDialogBuilder::Build(*this, resources::kOptionDialog);
  m_comboLeadCut = GetDlgItem<QComboBox>(*this, resources::kIdLeadCut);
  m_comboTrailCut = GetDlgItem<QComboBox>(*this, resources::kIdTrailCut);
  m_comboSeparatorText = GetDlgItem<QComboBox>(*this, resources::kIdSeparatorText);
  m_checkAppendSeparator = GetDlgItem<QCheckBox>(*this, resources::kIdAppendSeparator);
  m_checkOneFile = GetDlgItem<QCheckBox>(*this, resources::kIdOneFile);
  m_checkSimpleHeader = GetDlgItem<QCheckBox>(*this, resources::kIdSimpleHeader);
  m_checkCutOutsideRange = GetDlgItem<QCheckBox>(*this, resources::kIdCutOutsideRange);
  m_radioSeparatorFirst = GetDlgItem<QRadioButton>(*this, resources::kIdSeparatorFirst);
  m_radioBodyFirst = GetDlgItem<QRadioButton>(*this, resources::kIdBodyFirst);

  connect(m_checkAppendSeparator, &QCheckBox::clicked, this, [this] { OnAppendSeparator(); });
  connect(m_checkOneFile, &QCheckBox::clicked, this, [this] { OnOneFile(); });
  connect(m_checkCutOutsideRange, &QCheckBox::clicked, this, [this] { OnCutOutsideRange(); });
  connect(m_radioSeparatorFirst, &QRadioButton::clicked, this, [this] { OnSeparatorFirst(); });
  connect(m_radioBodyFirst, &QRadioButton::clicked, this, [this] { OnBodyFirst(); });
  for (int layer = 1; layer <= engine::kMaxLayer; ++layer) {
    m_apReverse[layer] = GetDlgItem<QPushButton>(*this, resources::kReverseLayerIds[layer]);
    m_apRange[layer] = GetDlgItem<QPushButton>(*this, resources::kRangeLayerIds[layer]);
    connect(m_apReverse[layer], &QPushButton::clicked, this,
            [this, layer] { OnReverseLayer(layer); });
    connect(m_apRange[layer], &QPushButton::clicked, this, [this, layer] { OnRangeLayer(layer); });
  }
  connect(GetDlgItem<QPushButton>(*this, resources::kIdOk), &QPushButton::clicked, this,
          [this] { OnOK(); });
  connect(GetDlgItem<QPushButton>(*this, resources::kIdCancel), &QPushButton::clicked, this,
          &QDialog::reject);

  for (QComboBox* combo : {m_comboSeparatorText, m_comboLeadCut, m_comboTrailCut}) {
    combo->setItemDelegate(new platform::qt::CItemSizeDelegate(kItemHeight, combo));
  }
}

int COptionDlg::DoModal() {
  OnInitDialog();
  return exec();
}

void COptionDlg::OnInitDialog() {
  m_valuesAtOpen = *this;
  FillSeparatorCombo();
  FillCutCombo(m_comboTrailCut, kCutCount);
  FillCutCombo(m_comboLeadCut, kCutCount);
  m_comboTrailCut->setCurrentIndex(m_nTrailCutSel);
  m_comboLeadCut->setCurrentIndex(m_nLeadCutSel);
  ApplyStates();
  m_comboTrailCut->setCurrentIndex(m_nTrailCutSel);
  m_comboLeadCut->setCurrentIndex(m_nLeadCutSel);
  OnAppendSeparator();
  OnOneFile();
  // The first control of the tab order takes the focus, as when the dialog opens.
  m_comboLeadCut->setFocus();
}

void COptionDlg::done(int r) {
  // Some values follow their control at the click; only OK keeps them.
  if (r != Accepted) static_cast<engine::COptionValues&>(*this) = m_valuesAtOpen;
  QDialog::done(r);
}

void COptionDlg::FillSeparatorCombo() {
  m_comboSeparatorText->clear();
  for (const char* text : resources::kSeparatorTextItems) {
    m_comboSeparatorText->addItem(QString::fromUtf8(text));
  }
}

void COptionDlg::FillCutCombo(QComboBox* combo, int nCount) {
  combo->clear();
  for (int i = 0; i < nCount; ++i) combo->addItem(QString::number(i), i);
}

void COptionDlg::ApplyStates() {
  m_checkAppendSeparator->setChecked(m_bAppendSeparator);
  m_checkSimpleHeader->setChecked(m_bSimpleHeader);
  m_checkOneFile->setChecked(m_bOneFile);
  m_comboSeparatorText->setCurrentIndex(m_nSeparatorStyle);
  m_checkAppendSeparator->setEnabled(m_bOneFile);
  m_comboSeparatorText->setEnabled(m_bOneFile);
  m_checkCutOutsideRange->setChecked(m_bCutOutsideRange);
  if (m_bSeparatorFirst) {
    OnSeparatorFirst();
  } else {
    OnBodyFirst();
  }
  // Edits left with the cancel button are forgotten.
  m_abyReverseEdit = m_abyReverse;
  m_abyRangeEdit = m_abyRange;
  ShowLayerChecks();
}

void COptionDlg::ShowLayerChecks() {
  for (int layer = 1; layer <= engine::kMaxLayer; ++layer) {
    m_apReverse[layer]->setChecked(m_abyReverse[layer]);
    m_apRange[layer]->setChecked(m_abyRange[layer]);
  }
}

void COptionDlg::OnAppendSeparator() {
  if (m_checkAppendSeparator->isChecked()) {
    m_comboSeparatorText->setEnabled(true);
    m_comboSeparatorText->setCurrentIndex(m_nSeparatorStyle);
    m_comboSeparatorText->setFocus();
  } else {
    m_nSeparatorStyle = m_comboSeparatorText->currentIndex();
    m_comboSeparatorText->setEnabled(false);
  }
}

void COptionDlg::OnOneFile() {
  const bool bOneFile = m_checkOneFile->isChecked();
  m_checkAppendSeparator->setEnabled(bOneFile);
  m_comboSeparatorText->setEnabled(bOneFile);
}

void COptionDlg::OnCutOutsideRange() {
  m_bCutOutsideRange = m_checkCutOutsideRange->isChecked();
}

void COptionDlg::OnSeparatorFirst() {
  m_nOrderRadio = 1;
  m_radioSeparatorFirst->setChecked(true);
  m_radioBodyFirst->setChecked(false);
}

void COptionDlg::OnBodyFirst() {
  m_nOrderRadio = 0;
  m_radioSeparatorFirst->setChecked(false);
  m_radioBodyFirst->setChecked(true);
}

void COptionDlg::OnReverseLayer(int nLayer) {
  m_abyReverseEdit[nLayer] = m_apReverse[nLayer]->isChecked();
}

void COptionDlg::OnRangeLayer(int nLayer) {
  m_abyRangeEdit[nLayer] = m_apRange[nLayer]->isChecked();
}

void COptionDlg::OnOK() {
  m_bSimpleHeader = m_checkSimpleHeader->isChecked();
  m_bAppendSeparator = m_checkAppendSeparator->isChecked();
  if (m_bAppendSeparator) m_nSeparatorStyle = std::max(0, m_comboSeparatorText->currentIndex());
  m_nLeadCutSel = m_comboLeadCut->currentIndex();
  m_nLeadCut = m_nLeadCutSel >= 0 ? m_comboLeadCut->itemData(m_nLeadCutSel).toInt() : 0;
  m_nTrailCutSel = m_comboTrailCut->currentIndex();
  m_nTrailCut = m_nTrailCutSel >= 0 ? m_comboTrailCut->itemData(m_nTrailCutSel).toInt() : 0;
  m_bOneFile = m_checkOneFile->isChecked();
  m_bCutOutsideRange = m_checkCutOutsideRange->isChecked();
  m_bSeparatorFirst = m_nOrderRadio != 0;
  m_abyReverse = m_abyReverseEdit;
  m_abyRange = m_abyRangeEdit;
  accept();
}
