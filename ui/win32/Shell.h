#pragma once

#include <windows.h>

#include <string>
#include <vector>

// What the Windows dialogs take from the shell and the registry.
namespace win32ui {

// IFileOpenDialog for several files, at `folder`; none: cancelled.
std::vector<std::string> ChooseOpenFiles(HWND owner, const std::string& folder,
                                         const std::string& filter);
// IFileSaveDialog at `path`'s folder with its name filled in; empty: cancelled.
std::string ChooseSaveFile(HWND owner, const std::string& path, const std::string& filter);

// Values kept between starts under HKEY_CURRENT_USER\Software\Velmorant, the program's only
// registry key.
std::string ReadSetting(const std::string& name);
void WriteSetting(const std::string& name, const std::string& value);

// The program's folder when it can be written to, else the user's profile folder.
std::string DefaultOutputFolder();

}  // namespace win32ui
