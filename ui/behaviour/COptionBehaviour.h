#pragma once

#include "engine/request/COptionValues.h"
#include "ui/behaviour/IDialogView.h"

namespace behaviour {

// What the options dialog does. Its values are the conversion options it derives from;
// they survive every showing, and each showing starts from them afresh. Only OK keeps
// what the showing changed.
class COptionBehaviour : public engine::COptionValues {
 public:
  explicit COptionBehaviour(IDialogView& view) : m_view(view) {}

  // Prepares the controls from the stored values, as each showing begins.
  void OnInitDialog();
  // A showing left without OK (キャンセル, Esc, the close box).
  void OnCancel();
  // Takes the controls' values; the dialog then closes.
  void OnOK();

  // The check box, radio button or layer toggle `nId` was clicked; false for OK and
  // ｷｬﾝｾﾙ, which close the dialog.
  bool OnButton(int nId);
  void OnAppendSeparator();
  void OnOneFile();
  void OnCutOutsideRange();
  void OnSeparatorFirst();
  void OnBodyFirst();
  void OnReverseLayer(int nLayer);
  void OnRangeLayer(int nLayer);

  // The dialog's own state: the toggles and the order radio as clicked in this showing,
  // and the cut combos' items last confirmed.
  engine::LayerSet m_abyReverseEdit;
  engine::LayerSet m_abyRangeEdit;
  int m_nOrderRadio = 1;
  int m_nTrailCutSel = 0;
  int m_nLeadCutSel = 0;

 private:
  void ApplyStates();

  IDialogView& m_view;
  engine::COptionValues m_valuesAtOpen;
};

}  // namespace behaviour
