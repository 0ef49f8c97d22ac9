#pragma once

#include "ui/resources/ControlIds.h"
#include "ui/resources/DialogTemplate.h"

namespace resources {

inline constexpr int IDD_CONV_DIALOG = 102;

// The main dialog; controls in tab order, which follows the window from the
// top left, row by row. A label's mnemonic goes to the control after it. Extra width goes
// to the list and the fields, extra height to the list; the buttons on the right follow
// the right edge.
inline constexpr ControlTemplate kMainDialogControls[] = {
    {-1, ControlKind::kLabel, "入力ファイル(&I)", 4, 3, 62, 16, kCentered | kSunken},
    {kIdInputList, ControlKind::kListBox, "", 71, 2, 180, 96,
     kSingleSelect | kVScroll | kHScroll | kNoScrollHide | kBorder | kGrowX | kGrowY},
    {kIdAddInput, ControlKind::kPushButton, "追加参照(&A)", 258, 2, 50, 16, kMoveX},
    {kIdDeleteInput, ControlKind::kPushButton, "削除(&D)", 258, 21, 50, 15, kMoveX},
    {kIdMoveUp, ControlKind::kPushButton, "上へ移動(&U)", 258, 66, 50, 15, kMoveX},
    {kIdMoveDown, ControlKind::kPushButton, "下へ移動(&N)", 258, 84, 50, 15, kMoveX},
    {kIdEuc, ControlKind::kCheckBox, "EUCコードとして処理(&E)", 71, 101, 108, 21, kMoveY},
    {kIdOptions, ControlKind::kPushButton, "その他オプション(&O)", 184, 102, 70, 20,
     kMoveX | kMoveY},
    // How the selected input divides with the settings above and the options.
    {kIdPreview, ControlKind::kPushButton, "プレビュー(&P)", 258, 102, 51, 20, kMoveX | kMoveY},
    {-1, ControlKind::kLabel, "出力ファイル(&F)", 4, 127, 62, 16, kCentered | kSunken | kMoveY},
    {kIdOutput, ControlKind::kEdit, "", 71, 127, 129, 16, kBorder | kMoveY | kGrowX},
    {kIdBrowseOutput, ControlKind::kPushButton, "参照(&B)", 203, 127, 40, 16, kMoveX | kMoveY},
    {-1, ControlKind::kLabel, "区切り表示(&S)", 4, 148, 62, 16, kCentered | kSunken | kMoveY},
    {kIdSeparator, ControlKind::kComboDropDown, "", 71, 147, 129, 60, kVScroll | kMoveY | kGrowX},
    {kIdStandard, ControlKind::kPushButton, "標準", 203, 148, 40, 16, kHidden | kMoveX | kMoveY},
    {kIdSpecifySeparator, ControlKind::kCheckBox, "区切りを指示", 250, 145, 62, 19,
     kHidden | kMoveX | kMoveY},
    {kIdProgress, ControlKind::kProgress, "", 4, 169, 244, 15, kBorder | kMoveY | kGrowX},
    {kIdRun, ControlKind::kPushButton, "実行(&R)", 4, 188, 244, 16, kMoveY | kGrowX},
    {kIdCancel, ControlKind::kPushButton, "ｷｬﾝｾﾙ", 262, 169, 50, 16, kHidden | kMoveX | kMoveY},
    // Not the default button: Enter never closes the dialog.
    {kIdOk, ControlKind::kPushButton, "終了(&X)", 262, 188, 51, 16, kMoveX | kMoveY},
};

inline constexpr DialogTemplate kMainDialog{IDD_CONV_DIALOG, "Velmorant Ver" VELMORANT_VERSION, 319,
                                            207, kMainDialogControls};

// Initial items of the separator combo, in this order.
inline constexpr const char* kSeparatorItems[] = {
    "<TABLE><TR><TD><HR>",
    "<TABLE><TR><TD>",
    "<HR>",
    "ユーザー指定の区切り文字列のみ",
};

}  // namespace resources
