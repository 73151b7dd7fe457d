#include "sandbox.h"

#include <algorithm>
#include <filesystem>
#include <system_error>
#include <vector>

namespace fs = std::filesystem;

namespace {

std::wstring UpperName(std::wstring name) {
  for (wchar_t& c : name) c = static_cast<wchar_t>(towupper(c));
  return name;
}

}  // namespace

std::wstring TestProgramFolder() {
  wchar_t path[MAX_PATH * 4];
  const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH * 4);
  std::wstring text(path, length);
  return text.substr(0, text.find_last_of(L'\\'));
}

#ifdef TOLVANE_DIST_DIR
std::wstring DistFolder() { return TOLVANE_DIST_DIR; }
#endif

std::string ToUtf8(const std::wstring& text) {
  if (text.empty()) return std::string();
  const int size =
      WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size, nullptr, nullptr);
  return out;
}

std::wstring FromUtf8(const std::string& text) {
  if (text.empty()) return std::wstring();
  const int size = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring out(static_cast<size_t>(size), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size);
  return out;
}

std::string ReadFileBytes(const std::wstring& path) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return std::string();
  std::string bytes;
  char chunk[65536];
  DWORD read = 0;
  while (ReadFile(file, chunk, sizeof chunk, &read, nullptr) && read > 0) bytes.append(chunk, read);
  CloseHandle(file);
  return bytes;
}

bool WriteFileBytes(const std::wstring& path, const std::string& bytes) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const BOOL ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(file);
  return ok && written == bytes.size();
}

bool FileExists(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool FolderExists(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

void RemoveTree(const std::wstring& path) {
  std::error_code error;
  if (!fs::exists(fs::path(path), error)) return;
  for (auto it = fs::recursive_directory_iterator(fs::path(path), error);
       !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
    SetFileAttributesW(it->path().wstring().c_str(), FILE_ATTRIBUTE_NORMAL);
  }
  fs::remove_all(fs::path(path), error);
}

Sandbox::Sandbox(const std::wstring& name, const std::wstring& appDataName)
    : Sandbox(AbsoluteRoot{}, TestProgramFolder() + L"\\sandboxes\\" + name, appDataName) {}

Sandbox Sandbox::AtPath(const std::wstring& root, const std::wstring& appDataName) {
  return Sandbox(AbsoluteRoot{}, root, appDataName);
}

Sandbox::Sandbox(AbsoluteRoot, const std::wstring& root, const std::wstring& appDataName) : root_(root) {
  RemoveTree(root_);
  appData_ = root_ + L"\\" + appDataName;
  temp_ = root_ + L"\\temp";
  std::error_code error;
  fs::create_directories(fs::path(appData_), error);
  fs::create_directories(fs::path(temp_), error);
  overrides_[L"APPDATA"] = appData_;
  overrides_[L"TEMP"] = temp_;
  overrides_[L"TMP"] = temp_;
}

void Sandbox::SetEnv(const std::wstring& name, std::optional<std::wstring> value) {
  overrides_[name] = std::move(value);
}

Sandbox::Process Sandbox::Start(const std::wstring& exe) const {
  // The block starts from this process's variables, minus the overridden
  // ones, sorted as Windows expects.
  std::map<std::wstring, std::wstring> variables;
  std::map<std::wstring, std::wstring> spelling;
  wchar_t* block = GetEnvironmentStringsW();
  for (const wchar_t* entry = block; *entry != L'\0'; entry += wcslen(entry) + 1) {
    const std::wstring text(entry);
    const size_t equals = text.find(L'=', 1);
    if (equals == std::wstring::npos) continue;
    const std::wstring key = UpperName(text.substr(0, equals));
    variables[key] = text.substr(equals + 1);
    spelling[key] = text.substr(0, equals);
  }
  FreeEnvironmentStringsW(block);
  for (const auto& [name, value] : overrides_) {
    const std::wstring key = UpperName(name);
    if (value) {
      variables[key] = *value;
      spelling[key] = name;
    } else {
      variables.erase(key);
    }
  }
  std::vector<wchar_t> environment;
  for (const auto& [key, value] : variables) {
    const std::wstring entry = spelling[key] + L"=" + value;
    environment.insert(environment.end(), entry.begin(), entry.end());
    environment.push_back(L'\0');
  }
  environment.push_back(L'\0');

  std::wstring commandLine = L"\"" + exe + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  Process started;
  if (CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, CREATE_UNICODE_ENVIRONMENT,
                     environment.data(), root_.c_str(), &startup, &info)) {
    CloseHandle(info.hThread);
    started.process = info.hProcess;
    started.id = info.dwProcessId;
  }
  return started;
}

std::optional<DWORD> Sandbox::Wait(Process& process, DWORD timeoutMs) {
  if (process.process == nullptr) return std::nullopt;
  std::optional<DWORD> result;
  if (WaitForSingleObject(process.process, timeoutMs) == WAIT_OBJECT_0) {
    DWORD code = 0;
    if (GetExitCodeProcess(process.process, &code)) result = code;
  } else {
    TerminateProcess(process.process, 255);
    WaitForSingleObject(process.process, 5000);
  }
  CloseHandle(process.process);
  process.process = nullptr;
  return result;
}

std::optional<DWORD> Sandbox::Run(const std::wstring& exe, DWORD timeoutMs) const {
  Process process = Start(exe);
  return Wait(process, timeoutMs);
}
