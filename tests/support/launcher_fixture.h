#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "log_lines.h"
#include "sandbox.h"

// build\dist\x64\SelfExtractor.exe, the build the tests run.
std::wstring LauncherExe();
// A copy of the launcher in `folder`, with its payload replaced by `cabinet`.
std::wstring LauncherWithPayload(const std::wstring& folder, const std::string& cabinet);
// The key=value lines that the sample host writes in report mode.
std::map<std::string, std::string> ReadHostReport(const std::wstring& path);

// A top-level window found by class and title within `timeoutMs`.
HWND WaitForWindow(const wchar_t* windowClass, const wchar_t* title, DWORD timeoutMs);
// Saves what the screen shows of `window` as a 24-bit BMP.
bool SaveWindowBitmap(HWND window, const std::wstring& path);

// What a run that reached the host and found no db.cab or collection.cab logs.
inline const std::vector<std::string> kCleanRunErrors = {"RemoveFiles - Invalid file handle",
                                                         "RemoveFiles - Invalid file handle"};

inline std::wstring TestName() { return FromUtf8(::testing::UnitTest::GetInstance()->current_test_info()->name()); }

// Each case runs the real launcher in a sandbox of its own; the sample host
// runs in report mode.
class LaunchTest : public ::testing::Test {
 protected:
  void SetUp() override { Use(std::make_unique<Sandbox>(TestName())); }
  void Use(std::unique_ptr<Sandbox> sandbox) {
    sandbox_ = std::move(sandbox);
    report_ = sandbox_->Root() + L"\\host-report.txt";
    sandbox_->SetEnv(L"TARNVIEW_REPORT", report_);
  }
  std::optional<DWORD> RunLauncher(const std::wstring& exe = LauncherExe()) { return sandbox_->Run(exe); }
  std::map<std::string, std::string> Report() const { return ReadHostReport(report_); }
  std::vector<std::string> Errors() const { return LogErrors(sandbox_->LogFile()); }

  std::unique_ptr<Sandbox> sandbox_;
  std::wstring report_;
};
