#pragma once

#include <QDialog>
#include <array>

#include "engine/request/COptionValues.h"

class QCheckBox;
class QComboBox;
class QPushButton;
class QRadioButton;

// The options dialog (template 129). Its values are the conversion options it derives
// from; they survive every showing, and each showing starts from them afresh. A showing
// left without OK (キャンセル, Esc, the close box) leaves them as it found them.
class COptionDlg : public QDialog, public engine::COptionValues {
 public:
  COptionDlg();

  // Prepares the controls from the stored values, then shows the dialog modally; Accepted
  // after OK.
  int DoModal();
  void done(int r) override;
  void OnInitDialog();

  void FillSeparatorCombo();
  void FillCutCombo(QComboBox* combo, int nCount);
  void ApplyStates();
  void ShowLayerChecks();

  void OnAppendSeparator();
  void OnOneFile();
  void OnCutOutsideRange();
  void OnSeparatorFirst();
  void OnBodyFirst();
  void OnReverseLayer(int nLayer);
  void OnRangeLayer(int nLayer);
  void OnOK();

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

  // The dialog's own state: the toggles and the order radio as clicked in this showing,
  // and the cut combos' items last confirmed.
  engine::LayerSet m_abyReverseEdit;
  engine::LayerSet m_abyRangeEdit;
  int m_nOrderRadio = 1;
  int m_nTrailCutSel = 0;
  int m_nLeadCutSel = 0;

 private:
  engine::COptionValues m_valuesAtOpen;
};
