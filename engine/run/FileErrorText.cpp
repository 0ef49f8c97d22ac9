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

std::string FileLines(const platform::CFileException& e) {
  std::string lines = std::string("\n") + msg::kFileLine + e.m_strFileName;
  if (e.m_lOsError > 0)
    lines += std::string("\n") + msg::kCauseLine + platform::OsErrorText(e.m_lOsError);
  if (!e.m_strFolder.empty()) lines += std::string("\n") + msg::kFolderLine + e.m_strFolder;
  return lines;
}

void ShowFileError(const platform::CFileException& e) {
  std::string text;
  GetFileErrorText(text, e);
  platform::AfxMessageBox(text + FileLines(e));
}

void ShowWriteError(const platform::CFileException& e) {
  platform::AfxMessageBox(msg::kCannotWrite + std::string(FileErrorCauseText(e.m_cause)) +
                          FileLines(e));
}

void ShowReadError(const platform::CFileException& e) {
  platform::AfxMessageBox(msg::kCannotRead + std::string(FileErrorCauseText(e.m_cause)) +
                          FileLines(e));
}

}  // namespace engine
