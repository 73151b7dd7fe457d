#include "launch.h"

#include <objbase.h>

#include <cstdlib>
#include <cwchar>
#include <string>

#include "bitness.h"
#include "cab_extractor.h"
#include "cleanup.h"
#include "font_installer.h"
#include "logger.h"
#include "ui_manager.h"
#include "workspace.h"

namespace {

constexpr int kPayloadResourceId = 110;
constexpr DWORD kTempBufferUnits = 260;
constexpr size_t kCommandLineUnits = MAX_PATH;

// Held from the start of the run until just before the host starts.
HANDLE g_singleInstance = nullptr;

void LogError(const wchar_t* message) { CLogger::Instance()->Write(LogLevel::Error, message); }

[[noreturn]] void ShowAlreadyRunningAndExit() {
  CoInitialize(nullptr);
  const std::wstring title = CUIManager::GetString(L"en-us", L"StrQdTitle");
  const std::wstring text = CUIManager::GetString(L"en-us", L"StrQdMultipleInstance");
  MessageBoxW(nullptr, text.c_str(), title.c_str(), MB_OK);
  CoUninitialize();
  std::exit(0);
}

void OpenLog() {
  wchar_t tempFolder[kTempBufferUnits] = {};
  GetTempPathW(kTempBufferUnits, tempFolder);
  tempFolder[kTempBufferUnits - 1] = L'\0';
  CLogger::Instance()->SetLogPath(std::wstring(tempFolder) + L"SelfExtractor.log");
}

// Creates a workspace folder; only a denied access stops the run.
bool CreateWorkspaceFolder(const std::wstring& path) {
  if (!CreateDirectoryW(path.c_str(), nullptr) && GetLastError() == ERROR_ACCESS_DENIED) {
    LogError(L"Failed to create the directory");
    return false;
  }
  return true;
}

// Writes the payload straight from the locked resource, in one call.
bool WritePayload(const std::wstring& path, const void* data, DWORD size) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    LogError(L"Failed to create the the embedded resource file in location");
    return false;
  }
  DWORD written = 0;
  WriteFile(file, data, size, &written, nullptr);
  CloseHandle(file);
  return true;
}

void ReleaseSingleInstanceGuard() {
  if (g_singleInstance != nullptr) {
    CloseHandle(g_singleInstance);
    g_singleInstance = nullptr;
  }
}

// Starts the host and waits for it without a time limit. The host path is
// passed as the application name too: without one, a path with blanks (a user
// called "Ann Lee") lets the system try "C:\Users\Ann.exe" first.
void StartHostAndWait(const std::wstring& hostPath) {
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  wchar_t commandLine[kCommandLineUnits] = {};
  // The path, then two terminators.
  if (hostPath.size() + 2 > kCommandLineUnits) {
    ReleaseSingleInstanceGuard();
    LogError(L"The PellBrowser path is too long for its command line");
    LogError(L"Failed to launch PellBrowser process");
    return;
  }
  hostPath.copy(commandLine, hostPath.size());
  ReleaseSingleInstanceGuard();
  if (CreateProcessW(hostPath.c_str(), commandLine, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process) !=
      TRUE) {
    LogError(L"Failed to launch PellBrowser process");
    return;
  }
  WaitForSingleObject(process.hProcess, INFINITE);
  CloseHandle(process.hProcess);
  CloseHandle(process.hThread);
}

}  // namespace

int RunLauncher(HINSTANCE instance) {
  SECURITY_ATTRIBUTES security{};
  security.nLength = sizeof security;
  security.lpSecurityDescriptor = nullptr;
  security.bInheritHandle = TRUE;
  g_singleInstance = CreateEventW(&security, TRUE, TRUE, kSingleInstanceEventName);
  if (GetLastError() == ERROR_ALREADY_EXISTS) ShowAlreadyRunningAndExit();

  OpenLog();

  HRSRC payload = FindResourceW(instance, MAKEINTRESOURCEW(kPayloadResourceId), MAKEINTRESOURCEW(10));
  if (payload == nullptr) {
    LogError(L"Failed to get the embedded resource");
    return 0;
  }
  const DWORD payloadSize = SizeofResource(instance, payload);
  HGLOBAL loaded = LoadResource(instance, payload);
  if (loaded == nullptr) {
    LogError(L"Failed to load the embedded resource");
    return 0;
  }
  const void* payloadData = LockResource(loaded);
  if (payloadData == nullptr) {
    LogError(L"Failed to read the embedded resource");
    return 0;
  }

  const std::optional<Workspace> workspace = Workspace::FromEnvironment();
  if (!workspace) {
    LogError(L"Failed to find the workspace: the APPDATA environment variable is not set");
    return 0;
  }
  if (!CreateWorkspaceFolder(workspace->CompanyFolder()) || !CreateWorkspaceFolder(workspace->Root())) return 0;

  if (!WritePayload(workspace->PayloadCabinet(), payloadData, payloadSize)) return 0;

  if (!CCabExtractor::Extract(workspace->PayloadCabinet(), workspace->Root())) {
    ClearResources();
    LogError(L"Failed to decompress the embedded resource");
    return 0;
  }

  if (!CFontInstaller::CheckAndInstallFonts(workspace->FontFolder())) LogError(L"Failed to check and install fonts");

  const std::wstring hostPath = workspace->HostPath(IsOs64Bit() == 1);
  StartHostAndWait(hostPath);

  RemoveFiles(workspace->PayloadCabinet().c_str(), false, false);
  RemoveFiles(workspace->DbCabinet().c_str(), false, false);
  RemoveFiles(workspace->CollectionCabinet().c_str(), false, false);
  ClearResources();
  return 1;
}
