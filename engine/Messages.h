#pragma once

// Every text the engine and the run request show, exactly as the user sees it.
namespace msg {

// Run driver and input loading.
inline constexpr char kNoAbortFlag[] = "実行クラスに中止命令変数のアドレスがセットされてません";
inline constexpr char kCannotOpen[] = "ファイルをオープンできません\n";
inline constexpr char kCannotRead[] = "ファイルを読み込めません\n";
inline constexpr char kBufferAlloc[] = "バッファの確保に失敗しました";
inline constexpr char kFileTooLarge[] =
    "ファイルが大きすぎます\n変換できるのは 4,294,967,294 バイトまでのファイルです";
inline constexpr char kCannotWrite[] = "ファイルに書き込めません\n";
inline constexpr char kInputChanged[] = "変換中に入力ファイルが変更されました";
inline constexpr char kAttributesLost[] =
    "上書きする出力ファイルの ACL や拡張属性を新しいファイルに引き継げません";
inline constexpr char kLostLine[] = "引き継げないもの: ";
inline constexpr char kJisX0212Replaced[] =
    "Shift_JIS にない文字 (JIS X 0212) %zu 個を 〓 に置き換えました (最初は %zu 行目)";

// The lines that name what a message concerns, under its own text.
inline constexpr char kFileLine[] = "ファイル: ";
inline constexpr char kCauseLine[] = "原因: ";
inline constexpr char kFolderLine[] = "フォルダー: ";
inline constexpr char kSizeLine[] = "大きさ: %llu バイト";

// Key search and splitting.
inline constexpr char kNoBuffer[] = "検索クラスにファイルバッファがセットされていません";
inline constexpr char kBadMode[] = "検索モード値が不正です CurMode[%d] / ModeNum[%d]\n";
inline constexpr char kLayerError[] = "レイヤー値[%d]の区切りサーチ中にエラーが発生\n";
inline constexpr char kDefaultCluster[] = "区切りクラスでデフォルトクラスタの確保に失敗";

// Why a log could not be split, and where.
inline constexpr char kCannotSplit[] = "ファイルを区切れません\n";
inline constexpr char kNoHtmlTag[] = "<HTML> タグが見つかりません";
inline constexpr char kNoBodyTag[] =
    "<HTML> タグ (%zu 行目、オフセット %zu) の後に <BODY> タグも </HTML> タグも見つかりません";
inline constexpr char kHtmlEndFirst[] =
    "<BODY> タグより前に </HTML> タグがあります (%zu 行目、オフセット %zu)";
// Any closing tag of the three ends the innermost block, so the count is what can be told.
inline constexpr char kStrayClose[] =
    "ブロックを閉じるタグが開くタグより多くなりました: %s (%zu 行目、オフセット %zu)";
inline constexpr char kTreeNoMemory[] = "区切りを記録するメモリーが足りません";
inline constexpr char kSearchFailed[] = "タグの検索中にエラーが発生しました";

// The [<]/[>] decision on a user separator string.
inline constexpr char kNoOpenBracket[] = "[<] が見つからないので [>] を自動サーチしません";
inline constexpr char kOpenWithoutClose[] =
    "[<] はありますが [>] がないので [>] を自動サーチします";
inline constexpr char kOpenAfterClose[] = "[<] が [>] よりも後にきたので [>] は自動サーチしません";
inline constexpr char kBothBrackets[] = "[<] も [>] も見つかったので [>] は自動サーチしません";

// Run request.
// After "「log.html」は UTF-8 のようです。UTF-8": the question before a desktop run.
inline constexpr char kAskEncodingTail[] = " として処理しますか？";
inline constexpr char kNoInput[] = "入力用ファイル名を入力してください";
inline constexpr char kNoOutput[] = "出力用ファイル名を入力してください";
inline constexpr char kNoSeparator[] = "区切り用の文字列を入力してください";
inline constexpr char kSeparatorNotCp932[] =
    "区切り用の文字列に Shift_JIS (コードページ 932) で表せない文字があります";
inline constexpr char kSeparatorNotUtf8[] = "区切り用の文字列が正しい UTF-8 ではありません";
inline constexpr char kCollision[] =
    "出力ファイル名が入力ファイルと衝突します。\n出力ファイル名を変更してください";
inline constexpr char kSameOutput[] =
    "2 つの入力ファイルが同じ出力ファイルに書き込まれます\n入力ファイル名を変更してください";
inline constexpr char kOutputLine[] = "出力ファイル: ";
inline constexpr char kOverwrite[] = "同名のファイルが存在します。上書きしますか？";
inline constexpr char kOverwriteSome[] =
    "出力ファイルのうち %zu 個が既に存在します。上書きしますか？";
inline constexpr char kMoreFiles[] = "ほか %zu 個";
inline constexpr char kRegisterFailed[] = "検索キーの登録に失敗しました。メモリー確保が出来ません";
inline constexpr char kUnexpected[] = "予期しないエラーが発生しました\n";
inline constexpr char kNormalEnd[] = "正常に終了しました";
inline constexpr char kErrorEnd[] = "エラーのため終了します";
inline constexpr char kStopped[] = "変換を中止しました";
// The title of the box that closes a run.
inline constexpr char kRunEndTitle[] = "変換の結果";
inline constexpr char kOutputIsFolder[] =
    "出力ファイル名がフォルダーを指しています\n出力ファイル名を変更してください";

// What a failed run left, under its closing message.
inline constexpr char kOutputUnchanged[] = "出力ファイルは実行前のままです: ";
inline constexpr char kOutputNotMade[] = "出力ファイルは作られていません: ";
inline constexpr char kOutputPartial[] = "出力先に書き込んだ内容はそのまま残っています: ";
inline constexpr char kStoppedInput[] = "変換できなかった入力ファイル: ";
inline constexpr char kInputsSkipped[] = "変換していない残りの入力ファイル: %zu 個";
inline constexpr char kStandardOutput[] = "標準出力";
inline constexpr char kStandardInput[] = "標準入力";

}  // namespace msg
