#pragma once

#include <span>

namespace resources {

// The kinds of control a dialog template can hold.
enum class ControlKind {
  kPushButton,
  kDefPushButton,
  kCheckBox,     // automatic check box; with kPushLike a toggle button
  kRadioButton,  // automatic radio button
  kGroupBox,
  kLabel,  // static text
  kIcon,   // static icon (the program icon)
  kEdit,   // single-line edit
  kListBox,
  kComboDropDown,  // editable text field with a list below
  kComboDropList,  // list only
  kProgress,
  kTreeView,  // rows in a tree, with columns
};

// Style flags of a control, as the template gives them.
enum ControlStyle : unsigned {
  kNone = 0,
  kHidden = 1u << 0,
  kDisabled = 1u << 1,
  kCentered = 1u << 2,      // label text centred
  kSunken = 1u << 3,        // label with a sunken edge
  kPushLike = 1u << 4,      // check box drawn as a toggle button
  kVScroll = 1u << 6,       // vertical scroll bar
  kHScroll = 1u << 7,       // horizontal scroll bar
  kNoScrollHide = 1u << 8,  // scroll bars always shown
  kBorder = 1u << 9,
  kNoPrefix = 1u << 10,      // '&' is shown, not a mnemonic
  kSingleSelect = 1u << 11,  // list box: one entry selected at a time
  // How a control follows a dialog that grows beyond its template size: moved with the
  // right or the bottom edge, or stretched by the extra width or height.
  kMoveX = 1u << 12,
  kMoveY = 1u << 13,
  kGrowX = 1u << 14,
  kGrowY = 1u << 15,
  kMultiLine = 1u << 16,  // edit: several lines, scrolled vertically
  kReadOnly = 1u << 17,   // edit: shows text the user can select but not change
};

// One control: its id (-1 for statics without one), kind, caption, rectangle in dialog
// units and style. The order of the controls in a template is the tab order.
struct ControlTemplate {
  int nId;
  ControlKind kind;
  const char* caption;  // UTF-8
  int x, y, cx, cy;
  unsigned style;
};

// A dialog: id, caption, size in dialog units and its controls in tab order.
struct DialogTemplate {
  int nId;
  const char* caption;  // UTF-8
  int cx, cy;
  std::span<const ControlTemplate> controls;
};

}  // namespace resources
