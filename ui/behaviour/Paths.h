#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

// Paths as the dialogs keep them, UTF-8, through std::filesystem on every system.
namespace behaviour {

std::filesystem::path FsPath(const std::string& utf8);
std::string Utf8(const std::filesystem::path& path);

bool IsFolder(const std::string& path);
// The absolute path, without "." and ".." steps.
std::string AbsolutePath(const std::string& path);
// The folder part ("." for a bare name) and the name part.
std::string FolderOf(const std::string& path);
std::string NameOf(const std::string& path);
std::string JoinPath(const std::string& folder, const std::string& name);
// The logs (*.html, *.htm, any case) directly inside `folder`, in name order.
std::vector<std::string> LogsIn(const std::string& folder);
// Size and modification time (0 when unknown): a changed file gets a new outline.
std::int64_t FileSizeOf(const std::string& path);
std::int64_t ModifiedOf(const std::string& path);

}  // namespace behaviour
