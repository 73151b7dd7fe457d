#pragma once

#include <windows.h>

#include <map>
#include <optional>
#include <string>

// A per-test folder tree with its own APPDATA and TEMP, and a way to start a
// program inside it. Wine replaces APPDATA, TEMP and TMP when a program is
// started from Linux, so the launcher gets them through an environment block
// of its own here.
class Sandbox {
 public:
  // Creates <test folder>\sandboxes\<name>, emptied first.
  explicit Sandbox(const std::wstring& name, const std::wstring& appDataName = L"appdata");
  // The same tree at an absolute folder of the caller's choice.
  static Sandbox AtPath(const std::wstring& root, const std::wstring& appDataName = L"appdata");

  const std::wstring& Root() const { return root_; }
  const std::wstring& AppData() const { return appData_; }
  const std::wstring& Temp() const { return temp_; }
  // APPDATA\Corvel\ZeDod
  std::wstring Workspace() const { return appData_ + L"\\Corvel\\ZeDod"; }
  std::wstring LogFile() const { return temp_ + L"\\SelfExtractor.log"; }

  // Variables for the started program; an empty optional removes one.
  void SetEnv(const std::wstring& name, std::optional<std::wstring> value);

  struct Process {
    HANDLE process = nullptr;
    DWORD id = 0;
  };
  // Starts `exe` with the sandbox's environment, its folder as the current
  // directory, and no inherited handles.
  Process Start(const std::wstring& exe) const;
  // Waits for it, killing it after `timeoutMs`; returns its exit code, or
  // nothing when it had to be killed.
  static std::optional<DWORD> Wait(Process& process, DWORD timeoutMs = 60000);
  std::optional<DWORD> Run(const std::wstring& exe, DWORD timeoutMs = 60000) const;

 private:
  struct AbsoluteRoot {};
  Sandbox(AbsoluteRoot, const std::wstring& root, const std::wstring& appDataName);

  std::wstring root_;
  std::wstring appData_;
  std::wstring temp_;
  std::map<std::wstring, std::optional<std::wstring>> overrides_;
};

// The folder of the running test program.
std::wstring TestProgramFolder();
// build\dist, where the launcher and the host builds are.
std::wstring DistFolder();

std::string ReadFileBytes(const std::wstring& path);
bool WriteFileBytes(const std::wstring& path, const std::string& bytes);
bool FileExists(const std::wstring& path);
bool FolderExists(const std::wstring& path);
// Deletes a tree, clearing read-only marks on the way.
void RemoveTree(const std::wstring& path);
std::string ToUtf8(const std::wstring& text);
std::wstring FromUtf8(const std::string& text);
