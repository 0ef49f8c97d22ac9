#pragma once

#include <filesystem>
#include <optional>
#include <set>
#include <string>

namespace testing_support {

// A path as the program takes it (UTF-8), for std::filesystem, and back.
std::filesystem::path PathOf(const std::string& utf8);
std::string Utf8Of(const std::filesystem::path& path);

// A fresh folder under the system's temporary folder, removed with everything in it.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& Path() const { return m_path; }
  // The path of `name` inside the folder.
  std::string File(const std::string& name) const { return m_path + "/" + name; }
  // Writes `bytes` to `name` and returns its path.
  std::string Write(const std::string& name, const std::string& bytes) const;

 private:
  std::string m_path;
};

std::string ReadFile(const std::string& path);
// A Shift_JIS board log of about `size` bytes: numbered posts between <HR> tags.
std::string MakeBoardLog(std::size_t size);
void WriteFile(const std::string& path, const std::string& bytes);
bool FileExists(const std::string& path);
// The bytes of a file; nullopt when there is none.
std::optional<std::string> ReadIfExists(const std::string& path);
// The names in a folder, without the folder.
std::set<std::string> FileNames(const std::string& dir);

}  // namespace testing_support
