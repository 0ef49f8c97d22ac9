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

  QComboBox* m_comboLeadCut;                   // 1022
  QComboBox* m_comboTrailCut;                  // 1025
  QComboBox* m_comboSeparatorText;             // 1024
  QCheckBox* m_checkAppendSeparator;           // 1019
  QCheckBox* m_checkOneFile;                   // 1020
  QCheckBox* m_checkSimpleHeader;              // 1023
  QCheckBox* m_checkCutOutsideRange;           // 1026
  QRadioButton* m_radioSeparatorFirst;         // 1027
  QRadioButton* m_radioBodyFirst;              // 1028
  std::array<QPushButton*, 16> m_apReverse{};  // index = layer
  std::array<QPushButton*, 16> m_apRange{};

 private:
  engine::COptionValues m_valuesAtOpen;
};
