#include "tests/support/Program.h"

#include <windows.h>

#include <cwctype>
#include <filesystem>

#include "platform/win32/WidePath.h"

namespace testing_support {
namespace {

using platform::Widen;

// One argument as the C runtime splits a command line: quoted where it must be, with the
// backslashes before a quote doubled.
std::wstring Quoted(const std::wstring& arg) {
  if (!arg.empty() && arg.find_first_of(L" \t\"") == std::wstring::npos) return arg;
  std::wstring out = L"\"";
  std::size_t backslashes = 0;
  for (const wchar_t c : arg) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    out.append(c == L'"' ? 2 * backslashes + 1 : backslashes, L'\\');
    backslashes = 0;
    out += c;
  }
  out.append(2 * backslashes, L'\\');
  return out + L"\"";
}

bool SameName(std::wstring a, std::wstring b) {
  for (wchar_t& c : a) c = static_cast<wchar_t>(std::towupper(c));
  for (wchar_t& c : b) c = static_cast<wchar_t>(std::towupper(c));
  return a == b;
}

// This process's environment without the names to remove, and with those to set.
std::wstring Environment(const ProgramRun& run) {
  std::wstring block;
  wchar_t* current = ::GetEnvironmentStringsW();
  for (const wchar_t* p = current; *p != L'\0'; p += std::wcslen(p) + 1) {
    const std::wstring entry = p;
    const std::wstring name = entry.substr(0, entry.find(L'=', 1));
    bool bDrop = false;
    for (const std::string& n : run.unset) bDrop = bDrop || SameName(name, Widen(n));
    for (const auto& [n, v] : run.env) bDrop = bDrop || SameName(name, Widen(n));
    if (!bDrop) block += entry + L'\0';
  }
  ::FreeEnvironmentStringsW(current);
  for (const auto& [name, value] : run.env) block += Widen(name + "=" + value) + L'\0';
  return block + L'\0';
}

// Plain Windows form: CreateProcessW takes no \\?\ prefix for these.
std::wstring Native(const std::string& path) {
  return std::filesystem::path(std::u8string(path.begin(), path.end())).make_preferred().wstring();
}

HANDLE Inheritable(const std::string& path, DWORD access, DWORD disposition) {
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  return ::CreateFileW(platform::WidePath(path).c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE,
                       &inherit, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
}

}  // namespace

const char* const kSystem = "windows";

int RunProgram(const ProgramRun& run) {
  std::wstring commandLine = Quoted(Widen(run.program));
  for (const std::string& a : run.args) commandLine += L" " + Quoted(Widen(a));
  std::wstring environment = Environment(run);
  HANDLE in = Inheritable("NUL", GENERIC_READ, OPEN_EXISTING);
  HANDLE out = Inheritable(run.outPath, GENERIC_WRITE, CREATE_ALWAYS);
  HANDLE err = run.hErr ? nullptr : Inheritable(run.errPath, GENERIC_WRITE, CREATE_ALWAYS);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = in;
  startup.hStdOutput = out;
  startup.hStdError = run.hErr ? run.hErr : err;
  PROCESS_INFORMATION process{};
  const bool bStarted =
      ::CreateProcessW(Native(run.program).c_str(), commandLine.data(), nullptr, nullptr, TRUE,
                       CREATE_UNICODE_ENVIRONMENT | (run.bConsole ? 0 : DETACHED_PROCESS),
                       environment.data(), Native(run.dir).c_str(), &startup, &process) != 0;
  for (HANDLE h : {in, out, err}) {
    if (h) ::CloseHandle(h);
  }
  if (!bStarted) return -1;
  DWORD status = 0;
  if (::WaitForSingleObject(process.hProcess, static_cast<DWORD>(run.nSeconds) * 1000) !=
      WAIT_OBJECT_0) {
    ::TerminateProcess(process.hProcess, 128 + 9);
    ::WaitForSingleObject(process.hProcess, INFINITE);
  }
  ::GetExitCodeProcess(process.hProcess, &status);
  ::CloseHandle(process.hThread);
  ::CloseHandle(process.hProcess);
  return static_cast<int>(status);
}

}  // namespace testing_support
