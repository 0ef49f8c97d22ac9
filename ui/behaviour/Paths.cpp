#include "ui/behaviour/Paths.h"

#include <algorithm>
#include <system_error>

namespace behaviour {

namespace fs = std::filesystem;

fs::path FsPath(const std::string& utf8) {
  return fs::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string Utf8(const fs::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

bool IsFolder(const std::string& path) {
  std::error_code error;
  return fs::is_directory(FsPath(path), error);
}

std::string AbsolutePath(const std::string& path) {
  std::error_code error;
  const fs::path absolute = fs::absolute(FsPath(path), error);
  return Utf8((error ? FsPath(path) : absolute).lexically_normal());
}

std::string FolderOf(const std::string& path) {
  const fs::path parent = FsPath(path).parent_path();
  return parent.empty() ? "." : Utf8(parent);
}

std::string NameOf(const std::string& path) {
  return Utf8(FsPath(path).filename());
}

std::string JoinPath(const std::string& folder, const std::string& name) {
  return Utf8(FsPath(folder) / FsPath(name));
}

std::vector<std::string> LogsIn(const std::string& folder) {
  std::vector<std::string> logs;
  std::error_code error;
  for (const fs::directory_entry& entry : fs::directory_iterator(FsPath(folder), error)) {
    std::string extension = Utf8(entry.path().extension());
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return c >= 'A' && c <= 'Z' ? c + 32 : c; });
    std::error_code fileError;
    if ((extension == ".html" || extension == ".htm") && entry.is_regular_file(fileError))
      logs.push_back(Utf8(entry.path().lexically_normal()));
  }
  std::sort(logs.begin(), logs.end());
  return logs;
}

std::int64_t FileSizeOf(const std::string& path) {
  std::error_code error;
  const auto size = fs::file_size(FsPath(path), error);
  return error ? 0 : static_cast<std::int64_t>(size);
}

std::int64_t ModifiedOf(const std::string& path) {
  std::error_code error;
  const auto time = fs::last_write_time(FsPath(path), error);
  return error ? 0 : static_cast<std::int64_t>(time.time_since_epoch().count());
}

}  // namespace behaviour
