#pragma once

#include <QDialog>
#include <array>

#include "ui/behaviour/COptionBehaviour.h"
#include "ui/behaviour/IDialogView.h"

class QCheckBox;
class QComboBox;
class QPushButton;
class QRadioButton;

// The options dialog (template 129) on Qt: its controls, passing their events to the
// behaviour, whose values are the conversion options.
class COptionDlg : public QDialog,
                   public behaviour::IDialogView,
                   public behaviour::COptionBehaviour {
 public:
  COptionDlg();

  // Prepares the controls from the stored values, then shows the dialog modally; Accepted
  // after OK.
  int DoModal();
  void done(int r) override;

  // The view.
  std::string Text(int nId) const override;
  void SetText(int, const std::string&) override {}
  bool IsChecked(int nId) const override;
  void SetChecked(int nId, bool bChecked) override;
  int Selection(int nId) const override;
  void SetSelection(int nId, int nIndex) override;
  void SetItems(int nId, const std::vector<std::string>& items) override;
  void Enable(int nId, bool bEnable) override;
  void Focus(int nId) override;
  void Post(std::function<void()> task) override;
  void SetTimer(int, int) override {}

  QComboBox* m_comboLeadCut;
  QComboBox* m_comboTrailCut;
  QComboBox* m_comboSeparatorText;
  QCheckBox* m_checkAppendSeparator;
  QCheckBox* m_checkOneFile;
  QCheckBox* m_checkSimpleHeader;
  QCheckBox* m_checkCutOutsideRange;
  QRadioButton* m_radioSeparatorFirst;
  QRadioButton* m_radioBodyFirst;
  std::array<QPushButton*, engine::kMaxLayer + 1> m_apReverse{};  // index = layer
  std::array<QPushButton*, engine::kMaxLayer + 1> m_apRange{};
};
