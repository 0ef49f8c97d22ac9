#pragma once

#include "ui/resources/ControlIds.h"
#include "ui/resources/DialogTemplate.h"

namespace resources {

inline constexpr int IDD_PREVIEW_DIALOG = 130;

// The preview window: which input it shows and how, its outline as a tree, what the engine
// said about it, and a button to close it. The template is its smallest size, which fits a
// 1024 x 768 screen at twice the usual scale; it opens larger where the screen has room, and
// the tree takes the extra room.
inline constexpr ControlTemplate kPreviewDialogControls[] = {
    {kIdPreviewFile, ControlKind::kLabel, "", 4, 3, 232, 14, kNoPrefix | kGrowX},
    {kIdPreviewTree, ControlKind::kTreeView, "", 4, 19, 232, 84, kBorder | kGrowX | kGrowY},
    {kIdPreviewMessages, ControlKind::kEdit, "", 4, 106, 232, 32,
     kMultiLine | kReadOnly | kVScroll | kBorder | kMoveY | kGrowX},
    {kIdCancel, ControlKind::kPushButton, "閉じる(&C)", 186, 142, 50, 15, kMoveX | kMoveY},
};

inline constexpr DialogTemplate kPreviewDialog{IDD_PREVIEW_DIALOG, "区切りのプレビュー", 240, 160,
                                               kPreviewDialogControls};
// The size it opens with where the screen has room, in dialog units.
inline constexpr int kPreviewWidth = 460;
inline constexpr int kPreviewHeight = 259;

// The columns of the tree, as the command line's outline prints them.
inline constexpr const char* kOutlineColumns[] = {"層 #番号", "位置", "長さ", "処理", "本文"};

// What a run does with a section, index = engine::SectionAction.
inline constexpr const char* kActionLabels[] = {"順番どおり", "反転", "カット", "そのまま",
                                                "まるごと"};

inline constexpr char kHeaderRow[] = "ヘッダー";
inline constexpr char kTrailerRow[] = "トレーラー";
inline constexpr char kFixedFooter[] = "なし: 決まったフッターを書きます";

// The line above the tree: the file and the encoding it is read in ("a.html (Shift_JIS)").
inline constexpr char kPreviewOf[] = "%1 (%2)";
// Added when the encoding was read from the file's bytes and the EUC box says otherwise.
inline constexpr char kPreviewDetected[] = " — 内容から判断しました。実行時に確認します";
inline constexpr char kPreviewBusy[] = "%1 — 区切りを調べています… %2%";
inline constexpr char kPreviewNoInput[] = "入力ファイルを追加すると、区切り方がここに表示されます";

}  // namespace resources
