#pragma once

#include "platform/qt/DialogTemplate.h"

namespace resources {

using namespace platform::qt;

inline constexpr int IDD_OPTION_DIALOG = 129;

// Template 129, the options dialog; controls top to bottom, which is the tab order.
inline constexpr ControlTemplate kOptionDialogControls[] = {
    {-1, ControlKind::kLabel, "【先頭区画のカット数】", 11, 0, 136, 15, kNone},
    {-1, ControlKind::kLabel, "【後方区画のカット数】", 162, 0, 136, 15, kNone},
    {-1, ControlKind::kLabel, "指定数", 11, 15, 34, 17, kNone},
    {1022, ControlKind::kComboDropList, "", 53, 15, 92, 55, kVScroll},
    {-1, ControlKind::kLabel, "指定数", 164, 15, 34, 17, kNone},
    {1025, ControlKind::kComboDropList, "", 205, 15, 92, 55, kVScroll},
    {1026, ControlKind::kCheckBox,
     "上の２つの指定区画数は出力しないのではなくて、反転動作範囲外としてみなす(&K)", 5, 36, 292, 20,
     kNone},
    {1023, ControlKind::kCheckBox, "シンプルなヘッダを使う(&H)", 5, 58, 140, 20, kNone},
    {1020, ControlKind::kCheckBox, "一つのファイルにすべて出力する(&F)", 157, 58, 140, 20, kNone},
    {1019, ControlKind::kCheckBox, "ファイルの終わりに区切り文を追加(&A)", 5, 80, 291, 20, kNone},
    {-1, ControlKind::kLabel, "区切り文", 10, 102, 36, 17, kNone},
    {1024, ControlKind::kComboDropList, "", 52, 102, 244, 68, kVScroll},
    {-1, ControlKind::kGroupBox, "出力の順番", 4, 120, 291, 27, kNone},
    {1027, ControlKind::kRadioButton, "区切りから書きこむ(&S)", 10, 128, 125, 16, kNone},
    {1028, ControlKind::kRadioButton, "本文から書きこむ(&B)", 160, 128, 125, 16, kNone},
    {-1, ControlKind::kLabel, "【機能を有効にさせるレイヤーの指定】", 78, 149, 136, 15, kNone},
    {-1, ControlKind::kLabel, "反転出力", 4, 166, 60, 15, kNone},
    {1029, ControlKind::kCheckBox, "1", 70, 166, 15, 15, kPushLike},
    {1030, ControlKind::kCheckBox, "2", 85, 166, 15, 15, kPushLike},
    {1031, ControlKind::kCheckBox, "3", 100, 166, 15, 15, kPushLike},
    {1032, ControlKind::kCheckBox, "4", 115, 166, 15, 15, kPushLike},
    {1033, ControlKind::kCheckBox, "5", 130, 166, 15, 15, kPushLike},
    {1034, ControlKind::kCheckBox, "6", 145, 166, 15, 15, kPushLike},
    {1037, ControlKind::kCheckBox, "7", 160, 166, 15, 15, kPushLike},
    {1038, ControlKind::kCheckBox, "8", 175, 166, 15, 15, kPushLike},
    {1039, ControlKind::kCheckBox, "9", 190, 166, 15, 15, kPushLike},
    {1040, ControlKind::kCheckBox, "10", 205, 166, 15, 15, kPushLike},
    {1041, ControlKind::kCheckBox, "11", 220, 166, 15, 15, kPushLike},
    {1042, ControlKind::kCheckBox, "12", 235, 166, 15, 15, kPushLike},
    {1043, ControlKind::kCheckBox, "13", 250, 166, 15, 15, kPushLike},
    {1044, ControlKind::kCheckBox, "14", 265, 166, 15, 15, kPushLike},
    {1045, ControlKind::kCheckBox, "15", 280, 166, 15, 15, kPushLike},
    {-1, ControlKind::kLabel, "範囲指定有効", 4, 187, 60, 15, kNone},
    {1046, ControlKind::kCheckBox, "1", 70, 187, 15, 15, kPushLike},
    {1047, ControlKind::kCheckBox, "2", 85, 187, 15, 15, kPushLike},
    {1048, ControlKind::kCheckBox, "3", 100, 187, 15, 15, kPushLike},
    {1049, ControlKind::kCheckBox, "4", 115, 187, 15, 15, kPushLike},
    {1050, ControlKind::kCheckBox, "5", 130, 187, 15, 15, kPushLike},
    {1051, ControlKind::kCheckBox, "6", 145, 187, 15, 15, kPushLike},
    {1052, ControlKind::kCheckBox, "7", 160, 187, 15, 15, kPushLike},
    {1053, ControlKind::kCheckBox, "8", 175, 187, 15, 15, kPushLike},
    {1054, ControlKind::kCheckBox, "9", 190, 187, 15, 15, kPushLike},
    {1055, ControlKind::kCheckBox, "10", 205, 187, 15, 15, kPushLike},
    {1056, ControlKind::kCheckBox, "11", 220, 187, 15, 15, kPushLike},
    {1057, ControlKind::kCheckBox, "12", 235, 187, 15, 15, kPushLike},
    {1058, ControlKind::kCheckBox, "13", 250, 187, 15, 15, kPushLike},
    {1059, ControlKind::kCheckBox, "14", 265, 187, 15, 15, kPushLike},
    {1060, ControlKind::kCheckBox, "15", 280, 187, 15, 15, kPushLike},
    {1, ControlKind::kDefPushButton, "OK", 85, 210, 50, 14, kNone},
    {2, ControlKind::kPushButton, "ｷｬﾝｾﾙ", 157, 210, 50, 14, kNone},
};

inline constexpr DialogTemplate kOptionDialog{IDD_OPTION_DIALOG, "Velmorantのオプション設定", 303,
                                              227, kOptionDialogControls};

// Ids of the layer toggles, index = layer 1 to 15 (index 0 unused); 1035 and 1036 are free.
inline constexpr int kReverseLayerIds[16] = {0,    1029, 1030, 1031, 1032, 1033, 1034, 1037,
                                             1038, 1039, 1040, 1041, 1042, 1043, 1044, 1045};
inline constexpr int kRangeLayerIds[16] = {0,    1046, 1047, 1048, 1049, 1050, 1051, 1052,
                                           1053, 1054, 1055, 1056, 1057, 1058, 1059, 1060};

// Items of combo 1024: the texts written between files.
inline constexpr const char* kSeparatorTextItems[] = {
    "<HR SIZE=\"50\">",
    "=============== 以上[%d]番のファイル内容 ===============",
};

}  // namespace resources
