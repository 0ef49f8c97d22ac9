#include "engine/Messages.h"
#include "engine/run/CExecutor.h"
#include "platform/MessageBox.h"

namespace engine {

const char* FileErrorCauseText(int cause) {
  static const char* const kTexts[] = {
      "エラーなし",
      "未定義エラー",
      "ファイル未定義",
      "不正パス",
      "オープン ファイル数超過",
      "ファイル アクセス禁止",
      "不正ファイル ハンドル使用",
      "作業中のカレント ディレクトリの削除不可",
      "ディレクトリ フル",
      "ファイル ポインタ設定エラー",
      "ハードウェア エラー",
      "SHARE.EXE 未ロードまたは共有領域ロック済み",
      "ロック済み領域のロック要求",
      "ディスク フル",
      "ファイルの終わりに到達",
  };
  if (cause < 0 || cause > 14) return "Unknown Error";
  return kTexts[cause];
}

int GetFileErrorText(std::string& text, const platform::CFileException& e) {
  text = msg::kCannotOpen;
  text += FileErrorCauseText(e.m_cause);
  return e.m_cause == platform::CFileException::none ? 1 : 0;
}

void ShowFileError(const platform::CFileException& e) {
  std::string text;
  GetFileErrorText(text, e);
  platform::AfxMessageBox(text);
}

}  // namespace engine
