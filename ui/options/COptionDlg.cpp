#include "ui/options/COptionDlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QRadioButton>

#include "ui/qt/CDialogBuilder.h"
#include "ui/qt/CItemSizeDelegate.h"
#include "ui/resources/ControlIds.h"
#include "ui/resources/OptionDialog.h"

using platform::qt::GetDlgItem;

namespace {
constexpr int kItemHeight = 17;
}  // namespace

COptionDlg::COptionDlg() : QDialog(nullptr), COptionBehaviour(static_cast<IDialogView&>(*this)) {
  using namespace resources;
  platform::qt::CDialogBuilder::Build(*this, kOptionDialog);
  m_comboLeadCut = GetDlgItem<QComboBox>(*this, kIdLeadCut);
  m_comboTrailCut = GetDlgItem<QComboBox>(*this, kIdTrailCut);
  m_comboSeparatorText = GetDlgItem<QComboBox>(*this, kIdSeparatorText);
  m_checkAppendSeparator = GetDlgItem<QCheckBox>(*this, kIdAppendSeparator);
  m_checkOneFile = GetDlgItem<QCheckBox>(*this, kIdOneFile);
  m_checkSimpleHeader = GetDlgItem<QCheckBox>(*this, kIdSimpleHeader);
  m_checkCutOutsideRange = GetDlgItem<QCheckBox>(*this, kIdCutOutsideRange);
  m_radioSeparatorFirst = GetDlgItem<QRadioButton>(*this, kIdSeparatorFirst);
  m_radioBodyFirst = GetDlgItem<QRadioButton>(*this, kIdBodyFirst);

  for (int layer = 1; layer <= engine::kMaxLayer; ++layer) {
    m_apReverse[layer] = GetDlgItem<QPushButton>(*this, kReverseLayerIds[layer]);
    m_apRange[layer] = GetDlgItem<QPushButton>(*this, kRangeLayerIds[layer]);
  }
  for (QAbstractButton* b : findChildren<QAbstractButton*>(Qt::FindDirectChildrenOnly)) {
    const int id = b->objectName().toInt();
    connect(b, &QAbstractButton::clicked, this, [this, id] { OnButton(id); });
  }
  connect(GetDlgItem<QPushButton>(*this, kIdOk), &QPushButton::clicked, this, [this] {
    OnOK();
    accept();
  });
  connect(GetDlgItem<QPushButton>(*this, kIdCancel), &QPushButton::clicked, this, &QDialog::reject);

  for (QComboBox* combo : {m_comboSeparatorText, m_comboLeadCut, m_comboTrailCut})
    combo->setItemDelegate(new platform::qt::CItemSizeDelegate(kItemHeight, combo));
}

int COptionDlg::DoModal() {
  OnInitDialog();
  return exec();
}

void COptionDlg::done(int r) {
  if (r != Accepted) OnCancel();
  QDialog::done(r);
}

std::string COptionDlg::Text(int nId) const {
  return GetDlgItem<QComboBox>(*this, nId)->currentText().toStdString();
}

bool COptionDlg::IsChecked(int nId) const {
  return GetDlgItem<QAbstractButton>(*this, nId)->isChecked();
}

void COptionDlg::SetChecked(int nId, bool bChecked) {
  GetDlgItem<QAbstractButton>(*this, nId)->setChecked(bChecked);
}

int COptionDlg::Selection(int nId) const {
  return GetDlgItem<QComboBox>(*this, nId)->currentIndex();
}

void COptionDlg::SetSelection(int nId, int nIndex) {
  GetDlgItem<QComboBox>(*this, nId)->setCurrentIndex(nIndex);
}

void COptionDlg::SetItems(int nId, const std::vector<std::string>& items) {
  QComboBox* combo = GetDlgItem<QComboBox>(*this, nId);
  combo->clear();
  for (const std::string& item : items) combo->addItem(QString::fromStdString(item));
}

void COptionDlg::Enable(int nId, bool bEnable) {
  GetDlgItem<QWidget>(*this, nId)->setEnabled(bEnable);
}

void COptionDlg::Focus(int nId) {
  GetDlgItem<QWidget>(*this, nId)->setFocus();
}

void COptionDlg::Post(std::function<void()> task) {
  QMetaObject::invokeMethod(this, std::move(task), Qt::QueuedConnection);
}
