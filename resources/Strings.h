#pragma once

namespace resources {

// String 101: the about entry of the main dialog's menu (empty: no entry and no separator).
inline constexpr char IDS_ABOUTBOX[] = "Velmorant のﾊﾞｰｼﾞｮﾝ情報(&A)...";
// The command of that entry.
inline constexpr int IDM_ABOUTBOX = 16;

// The title of every message box.
inline constexpr char kAppTitle[] = "Velmorant";

// File dialog filter: one entry, every file.
inline constexpr char kFileFilter[] = "Select File (*)";

// Appended to the program's folder for the default output path.
inline constexpr char kDefaultOutputName[] = "出力用のファイル.html";

}  // namespace resources
