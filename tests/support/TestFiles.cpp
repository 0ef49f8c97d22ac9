#include "tests/support/TestFiles.h"

#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>

namespace testing_support {

namespace fs = std::filesystem;

fs::path PathOf(const std::string& utf8) {
  return fs::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string Utf8Of(const fs::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

TempDir::TempDir() {
  std::random_device random;
  const fs::path base = fs::temp_directory_path();
  for (int attempt = 0; attempt < 100 && m_path.empty(); ++attempt) {
    const fs::path dir = base / ("velmorant-" + std::to_string(random()));
    if (fs::create_directory(dir)) m_path = Utf8Of(dir);
  }
  if (m_path.empty()) throw std::runtime_error("no temporary folder");
}

TempDir::~TempDir() {
  std::error_code ec;
  // Undo permission changes a test made so that everything can be removed.
  for (fs::recursive_directory_iterator it(PathOf(m_path), ec), end; !ec && it != end;
       it.increment(ec)) {
    fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
  }
  fs::remove_all(PathOf(m_path), ec);
}

std::string TempDir::Write(const std::string& name, const std::string& bytes) const {
  const std::string path = File(name);
  WriteFile(path, bytes);
  return path;
}

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(PathOf(path), std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(PathOf(path), std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

bool FileExists(const std::string& path) {
  std::error_code ec;
  return fs::exists(fs::symlink_status(PathOf(path), ec));
}

std::optional<std::string> ReadIfExists(const std::string& path) {
  return FileExists(path) ? std::optional(ReadFile(path)) : std::nullopt;
}

std::set<std::string> FileNames(const std::string& dir) {
  std::set<std::string> names;
  for (const auto& e : fs::directory_iterator(PathOf(dir)))
    names.insert(Utf8Of(e.path().filename()));
  return names;
}

std::string MakeBoardLog(std::size_t size) {
  std::string log = "<HTML><HEAD></HEAD><BODY>\r\n";
  for (std::size_t n = 0; log.size() < size; ++n)
    log += "<dl><dt>" + std::to_string(n) + " \x96\xBC\x91\x4F</dt><dd>post text</dd></dl><HR>\r\n";
  return log + "</BODY></HTML>";
}

}  // namespace testing_support
