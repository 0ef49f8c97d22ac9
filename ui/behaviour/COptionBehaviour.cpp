#include "ui/behaviour/COptionBehaviour.h"

#include <algorithm>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "ui/resources/ControlIds.h"
#include "ui/resources/OptionDialog.h"

namespace behaviour {
namespace {
using namespace resources;
constexpr int kCutCount = engine::kMaxCut + 1;
static_assert(std::size(kReverseLayerIds) == engine::kMaxLayer + 1);
static_assert(std::size(kRangeLayerIds) == engine::kMaxLayer + 1);
}  // namespace

void COptionBehaviour::OnInitDialog() {
  m_valuesAtOpen = *this;
  m_view.SetItems(kIdSeparatorText,
                  {std::begin(kSeparatorTextItems), std::end(kSeparatorTextItems)});
  std::vector<std::string> counts;
  for (int i = 0; i < kCutCount; ++i) counts.push_back(std::to_string(i));
  m_view.SetItems(kIdTrailCut, counts);
  m_view.SetItems(kIdLeadCut, counts);
  ApplyStates();
  m_view.SetSelection(kIdTrailCut, m_nTrailCutSel);
  m_view.SetSelection(kIdLeadCut, m_nLeadCutSel);
  OnAppendSeparator();
  OnOneFile();
  // The first control of the tab order takes the focus, as when the dialog opens.
  m_view.Focus(kIdLeadCut);
}

void COptionBehaviour::OnCancel() {
  // Some values follow their control at the click; only OK keeps them.
  static_cast<engine::COptionValues&>(*this) = m_valuesAtOpen;
}

void COptionBehaviour::ApplyStates() {
  m_view.SetChecked(kIdAppendSeparator, m_bAppendSeparator);
  m_view.SetChecked(kIdSimpleHeader, m_bSimpleHeader);
  m_view.SetChecked(kIdOneFile, m_bOneFile);
  m_view.SetSelection(kIdSeparatorText, m_nSeparatorStyle);
  m_view.Enable(kIdAppendSeparator, m_bOneFile);
  m_view.Enable(kIdSeparatorText, m_bOneFile);
  m_view.SetChecked(kIdCutOutsideRange, m_bCutOutsideRange);
  if (m_bSeparatorFirst) {
    OnSeparatorFirst();
  } else {
    OnBodyFirst();
  }
  // Edits left with the cancel button are forgotten.
  m_abyReverseEdit = m_abyReverse;
  m_abyRangeEdit = m_abyRange;
  for (int layer = 1; layer <= engine::kMaxLayer; ++layer) {
    m_view.SetChecked(kReverseLayerIds[layer], m_abyReverse[layer]);
    m_view.SetChecked(kRangeLayerIds[layer], m_abyRange[layer]);
  }
}

bool COptionBehaviour::OnButton(int nId) {
  static constexpr std::pair<int, void (COptionBehaviour::*)()> kHandlers[] = {
      {kIdAppendSeparator, &COptionBehaviour::OnAppendSeparator},
      {kIdOneFile, &COptionBehaviour::OnOneFile},
      {kIdCutOutsideRange, &COptionBehaviour::OnCutOutsideRange},
      {kIdSeparatorFirst, &COptionBehaviour::OnSeparatorFirst},
      {kIdBodyFirst, &COptionBehaviour::OnBodyFirst}};
  for (const auto& [id, handler] : kHandlers) {
    if (id != nId) continue;
    (this->*handler)();
    return true;
  }
  for (int layer = 1; layer <= engine::kMaxLayer; ++layer) {
    if (nId == kReverseLayerIds[layer]) OnReverseLayer(layer);
    if (nId == kRangeLayerIds[layer]) OnRangeLayer(layer);
    if (nId == kReverseLayerIds[layer] || nId == kRangeLayerIds[layer]) return true;
  }
  return false;
}

void COptionBehaviour::OnAppendSeparator() {
  if (m_view.IsChecked(kIdAppendSeparator)) {
    m_view.Enable(kIdSeparatorText, true);
    m_view.SetSelection(kIdSeparatorText, m_nSeparatorStyle);
    m_view.Focus(kIdSeparatorText);
  } else {
    m_nSeparatorStyle = m_view.Selection(kIdSeparatorText);
    m_view.Enable(kIdSeparatorText, false);
  }
}

void COptionBehaviour::OnOneFile() {
  const bool bOneFile = m_view.IsChecked(kIdOneFile);
  m_view.Enable(kIdAppendSeparator, bOneFile);
  m_view.Enable(kIdSeparatorText, bOneFile);
}

void COptionBehaviour::OnCutOutsideRange() {
  m_bCutOutsideRange = m_view.IsChecked(kIdCutOutsideRange);
}

void COptionBehaviour::OnSeparatorFirst() {
  m_nOrderRadio = 1;
  m_view.SetChecked(kIdSeparatorFirst, true);
  m_view.SetChecked(kIdBodyFirst, false);
}

void COptionBehaviour::OnBodyFirst() {
  m_nOrderRadio = 0;
  m_view.SetChecked(kIdSeparatorFirst, false);
  m_view.SetChecked(kIdBodyFirst, true);
}

void COptionBehaviour::OnReverseLayer(int nLayer) {
  m_abyReverseEdit[nLayer] = m_view.IsChecked(kReverseLayerIds[nLayer]);
}

void COptionBehaviour::OnRangeLayer(int nLayer) {
  m_abyRangeEdit[nLayer] = m_view.IsChecked(kRangeLayerIds[nLayer]);
}

void COptionBehaviour::OnOK() {
  m_bSimpleHeader = m_view.IsChecked(kIdSimpleHeader);
  m_bAppendSeparator = m_view.IsChecked(kIdAppendSeparator);
  if (m_bAppendSeparator) m_nSeparatorStyle = std::max(0, m_view.Selection(kIdSeparatorText));
  // The items are the counts 0 to kMaxCut in order.
  m_nLeadCutSel = m_view.Selection(kIdLeadCut);
  m_nLeadCut = std::max(0, m_nLeadCutSel);
  m_nTrailCutSel = m_view.Selection(kIdTrailCut);
  m_nTrailCut = std::max(0, m_nTrailCutSel);
  m_bOneFile = m_view.IsChecked(kIdOneFile);
  m_bCutOutsideRange = m_view.IsChecked(kIdCutOutsideRange);
  m_bSeparatorFirst = m_nOrderRadio != 0;
  m_abyReverse = m_abyReverseEdit;
  m_abyRange = m_abyRangeEdit;
}

}  // namespace behaviour
