#pragma once

// Every text the engine and the run request show, exactly as the user sees it.
namespace msg {

// Run driver and input loading.
inline constexpr char kNoAbortFlag[] = "実行クラスに中止命令変数のアドレスがセットされてません";
inline constexpr char kCannotOpen[] = "ファイルをオープンできません\n";
inline constexpr char kCannotRead[] = "ファイルを読み込めません\n";
inline constexpr char kBufferAlloc[] = "バッファの確保に失敗しました";
inline constexpr char kFileTooLarge[] =
    "ファイルが大きすぎます\n4 GiB 未満のファイルだけを変換できます";

// Key search and splitting.
inline constexpr char kNoBuffer[] = "検索クラスにファイルバッファがセットされていません";
inline constexpr char kBadMode[] = "検索モード値が不正です CurMode[%d] / ModeNum[%d]\n";
inline constexpr char kLayerError[] = "レイヤー値[%d]の区切りサーチ中にエラーが発生\n";
inline constexpr char kDefaultCluster[] = "区切りクラスでデフォルトクラスタの確保に失敗";

// The [<]/[>] decision on a user separator string.
inline constexpr char kNoOpenBracket[] = "[<] が見つからないので [>] を自動サーチしません";
inline constexpr char kOpenWithoutClose[] = "[<] はありますが [>] がないので [>] を自動サーチします";
inline constexpr char kOpenAfterClose[] = "[<] が [>] よりも後にきたので [>] は自動サーチしません";
inline constexpr char kBothBrackets[] = "[<] も [>] も見つかったので [>] は自動サーチしません";

// Run request.
inline constexpr char kNoInput[] = "入力用ファイル名を入力してください";
inline constexpr char kNoOutput[] = "出力用ファイル名を入力してください";
inline constexpr char kNoSeparator[] = "区切り用の文字列を入力してください";
inline constexpr char kSeparatorNotCp932[] =
    "区切り用の文字列に Shift_JIS (コードページ 932) で表せない文字があります";
inline constexpr char kCollision[] =
    "出力ファイル名が入力ファイルと衝突します。\n出力ファイル名を変更してください";
inline constexpr char kOverwrite[] = "同名のファイルが存在します。上書きしますか？";
inline constexpr char kRegisterFailed[] = "検索キーの登録に失敗しました。メモリー確保が出来ません";
inline constexpr char kUnexpected[] = "予期しないエラーが発生しました\n";
inline constexpr char kNormalEnd[] = "正常に終了しました";
inline constexpr char kErrorEnd[] = "エラーのため終了します";

}  // namespace msg
