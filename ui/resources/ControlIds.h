#pragma once

// The ids of the dialogs' controls, shared by the templates, the dialogs that look their
// controls up and the tests. An id repeats between dialogs, never within one.
namespace resources {

// Every dialog.
inline constexpr int kIdOk = 1;      // "OK"; the main dialog's "終了"
inline constexpr int kIdCancel = 2;  // "ｷｬﾝｾﾙ"; the preview's "閉じる"

// The main dialog.
inline constexpr int kIdOutput = 1001;
inline constexpr int kIdAddInput = 1002;
inline constexpr int kIdBrowseOutput = 1003;
inline constexpr int kIdRun = 1004;
inline constexpr int kIdProgress = 1005;
inline constexpr int kIdPreview = 1006;
inline constexpr int kIdStandard = 1007;  // hidden
inline constexpr int kIdDeleteInput = 1009;
inline constexpr int kIdMoveUp = 1010;
inline constexpr int kIdMoveDown = 1011;
inline constexpr int kIdInputList = 1014;
inline constexpr int kIdEuc = 1015;
inline constexpr int kIdSpecifySeparator = 1016;  // hidden
inline constexpr int kIdOptions = 1021;
inline constexpr int kIdSeparator = 1028;

// The options dialog.
inline constexpr int kIdAppendSeparator = 1019;
inline constexpr int kIdOneFile = 1020;
inline constexpr int kIdLeadCut = 1022;
inline constexpr int kIdSimpleHeader = 1023;
inline constexpr int kIdSeparatorText = 1024;
inline constexpr int kIdTrailCut = 1025;
inline constexpr int kIdCutOutsideRange = 1026;
inline constexpr int kIdSeparatorFirst = 1027;
inline constexpr int kIdBodyFirst = 1028;
// The layer toggles, index = layer 1 to 15 (index 0 unused); 1035 and 1036 are free.
inline constexpr int kReverseLayerIds[16] = {0,    1029, 1030, 1031, 1032, 1033, 1034, 1037,
                                             1038, 1039, 1040, 1041, 1042, 1043, 1044, 1045};
inline constexpr int kRangeLayerIds[16] = {0,    1046, 1047, 1048, 1049, 1050, 1051, 1052,
                                           1053, 1054, 1055, 1056, 1057, 1058, 1059, 1060};

// The preview.
inline constexpr int kIdPreviewFile = 1001;
inline constexpr int kIdPreviewTree = 1002;
inline constexpr int kIdPreviewMessages = 1003;

}  // namespace resources
