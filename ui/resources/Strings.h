#pragma once

namespace resources {

// String 101: the about entry of the main dialog's menu (empty: no entry and no separator).
inline constexpr char IDS_ABOUTBOX[] = "Velmorant のﾊﾞｰｼﾞｮﾝ情報(&A)...";
// The command of that entry.
inline constexpr int IDM_ABOUTBOX = 16;

// The title of every message box.
inline constexpr char kAppTitle[] = "Velmorant";

// File dialog filters: logs first, then every file.
inline constexpr char kFileFilter[] = "HTML ファイル (*.html *.htm);;すべてのファイル (*)";

// Asked when the dialog is to close while a run goes on; Yes stops the run.
inline constexpr char kAskStop[] = "変換を中止しますか？";

// The separator field takes at most this many characters; a longer text, typed or pasted,
// is refused with the message.
inline constexpr int kSeparatorMaxLength = 1024;
inline constexpr char kSeparatorTooLong[] =
    "区切り用の文字列は 1,024 文字までです\n長すぎる文字列は入力されませんでした";

// Said of a folder dropped on the input list that holds no log directly inside it.
inline constexpr char kNoLogsInFolder[] =
    "フォルダーに HTML ファイル (*.html, *.htm) がありません\nフォルダー: %1";

// Appended to the program's folder for the default output path.
inline constexpr char kDefaultOutputName[] = "出力用のファイル.html";

}  // namespace resources
