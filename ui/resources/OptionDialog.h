#pragma once

#include "ui/resources/ControlIds.h"
#include "ui/resources/DialogTemplate.h"

namespace resources {

inline constexpr int IDD_OPTION_DIALOG = 129;

// The options dialog; controls top to bottom, which is the tab order.
inline constexpr ControlTemplate kOptionDialogControls[] = {
    {-1, ControlKind::kLabel, "【先頭区画のカット数】", 11, 0, 136, 15, kNone},
    {-1, ControlKind::kLabel, "【後方区画のカット数】", 162, 0, 136, 15, kNone},
    {-1, ControlKind::kLabel, "指定数", 11, 15, 34, 17, kNone},
    {kIdLeadCut, ControlKind::kComboDropList, "", 53, 15, 92, 55, kVScroll},
    {-1, ControlKind::kLabel, "指定数", 164, 15, 34, 17, kNone},
    {kIdTrailCut, ControlKind::kComboDropList, "", 205, 15, 92, 55, kVScroll},
    {kIdCutOutsideRange, ControlKind::kCheckBox,
     "上の２つの指定区画数は出力しないのではなくて、反転動作範囲外としてみなす(&K)", 5, 36, 292, 20,
     kNone},
    {kIdSimpleHeader, ControlKind::kCheckBox, "シンプルなヘッダを使う(&H)", 5, 58, 140, 20, kNone},
    {kIdOneFile, ControlKind::kCheckBox, "一つのファイルにすべて出力する(&F)", 157, 58, 140, 20,
     kNone},
    {kIdAppendSeparator, ControlKind::kCheckBox, "ファイルの終わりに区切り文を追加(&A)", 5, 80, 291,
     20, kNone},
    {-1, ControlKind::kLabel, "区切り文", 10, 102, 36, 17, kNone},
    {kIdSeparatorText, ControlKind::kComboDropList, "", 52, 102, 244, 68, kVScroll},
    {-1, ControlKind::kGroupBox, "出力の順番", 4, 120, 291, 27, kNone},
    {kIdSeparatorFirst, ControlKind::kRadioButton, "区切りから書きこむ(&S)", 10, 128, 125, 16,
     kNone},
    {kIdBodyFirst, ControlKind::kRadioButton, "本文から書きこむ(&B)", 160, 128, 125, 16, kNone},
    {-1, ControlKind::kLabel, "【機能を有効にさせるレイヤーの指定】", 78, 149, 136, 15, kNone},
    {-1, ControlKind::kLabel, "反転出力", 4, 166, 60, 15, kNone},
    {kReverseLayerIds[1], ControlKind::kCheckBox, "1", 70, 166, 15, 15, kPushLike},
    {kReverseLayerIds[2], ControlKind::kCheckBox, "2", 85, 166, 15, 15, kPushLike},
    {kReverseLayerIds[3], ControlKind::kCheckBox, "3", 100, 166, 15, 15, kPushLike},
    {kReverseLayerIds[4], ControlKind::kCheckBox, "4", 115, 166, 15, 15, kPushLike},
    {kReverseLayerIds[5], ControlKind::kCheckBox, "5", 130, 166, 15, 15, kPushLike},
    {kReverseLayerIds[6], ControlKind::kCheckBox, "6", 145, 166, 15, 15, kPushLike},
    {kReverseLayerIds[7], ControlKind::kCheckBox, "7", 160, 166, 15, 15, kPushLike},
    {kReverseLayerIds[8], ControlKind::kCheckBox, "8", 175, 166, 15, 15, kPushLike},
    {kReverseLayerIds[9], ControlKind::kCheckBox, "9", 190, 166, 15, 15, kPushLike},
    {kReverseLayerIds[10], ControlKind::kCheckBox, "10", 205, 166, 15, 15, kPushLike},
    {kReverseLayerIds[11], ControlKind::kCheckBox, "11", 220, 166, 15, 15, kPushLike},
    {kReverseLayerIds[12], ControlKind::kCheckBox, "12", 235, 166, 15, 15, kPushLike},
    {kReverseLayerIds[13], ControlKind::kCheckBox, "13", 250, 166, 15, 15, kPushLike},
    {kReverseLayerIds[14], ControlKind::kCheckBox, "14", 265, 166, 15, 15, kPushLike},
    {kReverseLayerIds[15], ControlKind::kCheckBox, "15", 280, 166, 15, 15, kPushLike},
    {-1, ControlKind::kLabel, "範囲指定有効", 4, 187, 60, 15, kNone},
    {kRangeLayerIds[1], ControlKind::kCheckBox, "1", 70, 187, 15, 15, kPushLike},
    {kRangeLayerIds[2], ControlKind::kCheckBox, "2", 85, 187, 15, 15, kPushLike},
    {kRangeLayerIds[3], ControlKind::kCheckBox, "3", 100, 187, 15, 15, kPushLike},
    {kRangeLayerIds[4], ControlKind::kCheckBox, "4", 115, 187, 15, 15, kPushLike},
    {kRangeLayerIds[5], ControlKind::kCheckBox, "5", 130, 187, 15, 15, kPushLike},
    {kRangeLayerIds[6], ControlKind::kCheckBox, "6", 145, 187, 15, 15, kPushLike},
    {kRangeLayerIds[7], ControlKind::kCheckBox, "7", 160, 187, 15, 15, kPushLike},
    {kRangeLayerIds[8], ControlKind::kCheckBox, "8", 175, 187, 15, 15, kPushLike},
    {kRangeLayerIds[9], ControlKind::kCheckBox, "9", 190, 187, 15, 15, kPushLike},
    {kRangeLayerIds[10], ControlKind::kCheckBox, "10", 205, 187, 15, 15, kPushLike},
    {kRangeLayerIds[11], ControlKind::kCheckBox, "11", 220, 187, 15, 15, kPushLike},
    {kRangeLayerIds[12], ControlKind::kCheckBox, "12", 235, 187, 15, 15, kPushLike},
    {kRangeLayerIds[13], ControlKind::kCheckBox, "13", 250, 187, 15, 15, kPushLike},
    {kRangeLayerIds[14], ControlKind::kCheckBox, "14", 265, 187, 15, 15, kPushLike},
    {kRangeLayerIds[15], ControlKind::kCheckBox, "15", 280, 187, 15, 15, kPushLike},
    {kIdOk, ControlKind::kDefPushButton, "OK", 85, 210, 50, 14, kNone},
    {kIdCancel, ControlKind::kPushButton, "ｷｬﾝｾﾙ", 157, 210, 50, 14, kNone},
};

inline constexpr DialogTemplate kOptionDialog{IDD_OPTION_DIALOG, "Velmorantのオプション設定", 303,
                                              227, kOptionDialogControls};

// Items of the separator text combo: the texts written between files.
inline constexpr const char* kSeparatorTextItems[] = {
    "<HR SIZE=\"50\">",
    "=============== 以上[%d]番のファイル内容 ===============",
};

}  // namespace resources
