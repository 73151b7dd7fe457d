#include <gtest/gtest.h>

#include <shlobj.h>

#include <algorithm>
#include <thread>

#include "bitness.h"
#include "cab_writer.h"
#include "launch.h"
#include "launcher_fixture.h"
#include "log_lines.h"
#include "logger.h"
#include "sandbox.h"

namespace {

using Strings = std::vector<std::string>;

TEST_F(LaunchTest, NormalRunUnpacksStartsTheHostAndCleansUp) {
  const std::wstring snapshot = sandbox_->Root() + L"\\payload-while-host-ran.cab";
  sandbox_->SetEnv(L"TARNVIEW_COPY", sandbox_->Workspace() + L"\\resource.cab|" + snapshot);
  sandbox_->SetEnv(L"TARNVIEW_EXIT_CODE", L"7");
  EXPECT_EQ(RunLauncher(), 1u);

  const auto report = Report();
  const std::string host = ToUtf8(sandbox_->Workspace() + L"\\Resource\\Binary\\64bit\\tarnview.exe");
  EXPECT_EQ(report.at("module"), host);
  EXPECT_EQ(report.at("cmdline"), host);
  EXPECT_EQ(report.at("cwd"), ToUtf8(sandbox_->Root()));
  EXPECT_EQ(report.at("bits"), "64");
  EXPECT_EQ(ReadFileBytes(snapshot), ReadFileBytes(DistFolder() + L"\\resource.cab"));

  EXPECT_EQ(LogMessages(sandbox_->LogFile()),
            (Strings{"Info|Current Os is 64 bit", "Error|RemoveFiles - Invalid file handle",
                     "Error|RemoveFiles - Invalid file handle"}));
  EXPECT_TRUE(FolderExists(sandbox_->Workspace()));
  EXPECT_FALSE(FileExists(sandbox_->Workspace() + L"\\resource.cab"));
  EXPECT_FALSE(FolderExists(sandbox_->Workspace() + L"\\Resource"));
  EXPECT_TRUE(FileExists(sandbox_->Temp() + L"\\FrameWork.log"));
}

TEST_F(LaunchTest, SecondLauncherShowsTheBoxAndTouchesNothing) {
  if (_wgetenv(L"DISPLAY") == nullptr) GTEST_SKIP() << "a message box needs a display (run under xvfb-run)";
  HANDLE held = CreateEventW(nullptr, TRUE, TRUE, kSingleInstanceEventName);
  ASSERT_NE(held, nullptr);
  std::wstring text;
  bool saved = false;
  std::thread closer([&] {
    HWND box = WaitForWindow(L"#32770", L"Tolvane", 30000);
    if (box == nullptr) return;
    Sleep(300);
    wchar_t buffer[256] = {};
    GetDlgItemTextW(box, 0xFFFF, buffer, 256);
    text = buffer;
    saved = SaveWindowBitmap(box, sandbox_->Root() + L"\\message-box.bmp");
    PostMessageW(box, WM_COMMAND, IDOK, 0);
  });
  const std::optional<DWORD> code = RunLauncher();
  closer.join();
  CloseHandle(held);
  EXPECT_EQ(code, 0u);
  EXPECT_EQ(text, L"Tolvane is already running on this machine.");
  EXPECT_TRUE(saved);
  EXPECT_FALSE(FileExists(sandbox_->LogFile()));
  EXPECT_FALSE(FolderExists(sandbox_->AppData() + L"\\Corvel"));
  EXPECT_FALSE(FileExists(report_));
}

TEST_F(LaunchTest, LauncherStartedWhileTheHostRunsIsNotRefused) {
  sandbox_->SetEnv(L"TARNVIEW_SLEEP_MS", L"4000");
  Sandbox::Process first = sandbox_->Start(LauncherExe());
  const ULONGLONG deadline = GetTickCount64() + 30000;
  while (!FileExists(report_) && GetTickCount64() < deadline) Sleep(50);
  ASSERT_TRUE(FileExists(report_));
  // Not refused: it runs its sequence, and fails to unpack, since the
  // running host's executable cannot be replaced (on Windows as well).
  EXPECT_EQ(RunLauncher(), 0u);
  const Strings whileHostRan = Errors();
  ASSERT_FALSE(whileHostRan.empty());
  EXPECT_EQ(whileHostRan.back(), "Failed to decompress the embedded resource");
  EXPECT_EQ(Sandbox::Wait(first), 1u);
}

TEST_F(LaunchTest, CompanyFolderDenied) {
  // As root, Wine meets a denied mkdir only where Linux denies it even to
  // root, such as in /sys.
  sandbox_->SetEnv(L"APPDATA", L"Z:\\sys");
  EXPECT_EQ(RunLauncher(), 0u);
  EXPECT_EQ(Errors(), Strings{"Failed to create the directory"});
  EXPECT_FALSE(FileExists(report_));
}

TEST_F(LaunchTest, PayloadFileHeldOpenByAnotherProcess) {
  SHCreateDirectoryExW(nullptr, sandbox_->Workspace().c_str(), nullptr);
  const std::wstring cab = sandbox_->Workspace() + L"\\resource.cab";
  HANDLE held = CreateFileW(cab.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  EXPECT_EQ(RunLauncher(), 0u);
  CloseHandle(held);
  EXPECT_EQ(Errors(), Strings{"Failed to create the the embedded resource file in location"});
  EXPECT_FALSE(FolderExists(sandbox_->Workspace() + L"\\Resource"));
}

TEST_F(LaunchTest, PayloadWithoutTheHostBuild) {
  const std::wstring exe = LauncherWithPayload(
      sandbox_->Root() + L"\\bin", BuildCabinet({{"Resource\\UI\\Html\\en-US\\index.html", "<html></html>"}}));
  ASSERT_FALSE(exe.empty());
  EXPECT_EQ(RunLauncher(exe), 1u);
  const Strings errors = Errors();
  EXPECT_NE(std::find(errors.begin(), errors.end(), "Failed to launch PellBrowser process"), errors.end());
  EXPECT_EQ(std::count(errors.begin(), errors.end(), "RemoveFiles - Invalid file handle"), 2);
  EXPECT_FALSE(FolderExists(sandbox_->Workspace() + L"\\Resource"));
}

TEST_F(LaunchTest, AppDataWithBlanksAndOutsideAscii) {
  for (const wchar_t* name : {L"Ann Lee", L"Zo\u00eb \u0416\u4e2d"}) {
    SCOPED_TRACE(ToUtf8(name));
    Use(std::make_unique<Sandbox>(TestName() + L"_" + std::to_wstring(wcslen(name)), name));
    EXPECT_EQ(RunLauncher(), 1u);
    EXPECT_EQ(Report()["module"], ToUtf8(sandbox_->Workspace() + L"\\Resource\\Binary\\64bit\\tarnview.exe"));
    EXPECT_EQ(Errors(), kCleanRunErrors);
    EXPECT_FALSE(FolderExists(sandbox_->Workspace() + L"\\Resource"));
  }
}

TEST_F(LaunchTest, AppDataUnset) {
  sandbox_->SetEnv(L"APPDATA", std::nullopt);
  EXPECT_EQ(RunLauncher(), 0u);
  EXPECT_EQ(Errors(), Strings{"Failed to find the workspace: the APPDATA environment variable is not set"});
  EXPECT_FALSE(FolderExists(sandbox_->AppData() + L"\\Corvel"));
}

TEST_F(LaunchTest, HostPathLongerThanTheCommandLine) {
  // APPDATA of 211 units gives a host path of 259: it can be unpacked (the
  // extractor allows 259) but not passed with its two terminators in 260.
  const std::wstring root = TestProgramFolder() + L"\\sandboxes\\" + TestName();
  const size_t appDataLength = 259 - std::wstring(L"\\Corvel\\ZeDod\\Resource\\Binary\\64bit\\tarnview.exe").size();
  ASSERT_LT(root.size() + 2, appDataLength);
  Use(std::make_unique<Sandbox>(TestName(), std::wstring(appDataLength - root.size() - 1, L'a')));
  ASSERT_EQ(sandbox_->AppData().size(), appDataLength);
  const std::string host = ReadFileBytes(DistFolder() + L"\\x64\\tarnview.exe");
  const std::wstring exe =
      LauncherWithPayload(sandbox_->Root() + L"\\bin", BuildCabinet({{"Resource\\Binary\\64bit\\tarnview.exe", host}}));
  EXPECT_EQ(RunLauncher(exe), 1u);
  const Strings errors = Errors();
  const auto tooLong = std::find(errors.begin(), errors.end(), "The PellBrowser path is too long for its command line");
  ASSERT_NE(tooLong, errors.end());
  EXPECT_EQ(*(tooLong + 1), "Failed to launch PellBrowser process");
  EXPECT_FALSE(FileExists(report_));
  EXPECT_FALSE(FolderExists(sandbox_->Workspace() + L"\\Resource"));
}

TEST_F(LaunchTest, DllsPlantedBesideTheLauncherAreNotLoaded) {
  const std::wstring bin = sandbox_->Root() + L"\\downloads";
  CreateDirectoryW(bin.c_str(), nullptr);
  const std::wstring exe = bin + L"\\SelfExtractor.exe";
  ASSERT_TRUE(CopyFileW(LauncherExe().c_str(), exe.c_str(), FALSE));
  const wchar_t* const planted[] = {L"version", L"cabinet", L"shell32",  L"shlwapi", L"user32",
                                    L"gdi32",   L"ole32",   L"oleaut32", L"uxtheme", L"msxml3"};
  std::wstring overrides;
  for (const wchar_t* name : planted) {
    ASSERT_TRUE(
        CopyFileW((TestProgramFolder() + L"\\planted.dll").c_str(), (bin + L"\\" + name + L".dll").c_str(), FALSE));
    overrides += (overrides.empty() ? L"" : L",") + std::wstring(name);
  }
  // Tell Wine to prefer a DLL found on the search path over its own.
  sandbox_->SetEnv(L"WINEDLLOVERRIDES", overrides + L"=n,b");
  EXPECT_EQ(RunLauncher(exe), 1u);
  for (const wchar_t* name : planted) {
    EXPECT_FALSE(FileExists(bin + L"\\" + name + L".dll.loaded")) << ToUtf8(name) << ".dll was loaded";
  }
  EXPECT_EQ(Errors(), kCleanRunErrors);
}

// ---- the bitness probe ----

BOOL WINAPI ReportsWow64(HANDLE, PBOOL flag) {
  *flag = TRUE;
  return TRUE;
}
BOOL WINAPI ReportsNative(HANDLE, PBOOL flag) {
  *flag = FALSE;
  return TRUE;
}

TEST(BitnessProbe, ThreeOutcomes) {
  Sandbox sandbox(L"bitness");
  const std::wstring log = sandbox.Temp() + L"\\probe.log";
  CLogger::Instance()->SetLogPath(log);
  EXPECT_EQ(IsOs64BitUsing(nullptr), FALSE);
  EXPECT_EQ(IsOs64BitUsing(&ReportsNative), FALSE);
  EXPECT_EQ(IsOs64BitUsing(&ReportsWow64), TRUE);
  EXPECT_EQ(IsOs64Bit(), TRUE);  // this test program is 64-bit
  EXPECT_EQ(LogMessages(log), (Strings{"Info|Current Os is 32 bit", "Info|Current Os is 32 bit",
                                       "Info|Current Os is 64 bit", "Info|Current Os is 64 bit"}));
}

}  // namespace
