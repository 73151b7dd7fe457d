#include <gtest/gtest.h>

#include <shlobj.h>

#include <algorithm>
#include <thread>

#include "cab_writer.h"
#include "launcher_fixture.h"

namespace {

using Strings = std::vector<std::string>;

std::string ShippedPayload() { return ReadFileBytes(DistFolder() + L"\\resource.cab"); }
std::string Host64() { return ReadFileBytes(DistFolder() + L"\\x64\\tarnview.exe"); }

TEST_F(LaunchTest, DamagedPayloads) {
  const std::string shipped = ShippedPayload();
  const size_t firstBlock = *reinterpret_cast<const std::uint32_t*>(shipped.data() + 36);
  struct Case {
    const char* what;
    std::string cabinet;
  };
  std::string flipped = shipped;
  flipped[firstBlock + 200] ^= 0x5A;
  const Case cases[] = {
      {"flipped byte in a data block", flipped},
      {"truncated", shipped.substr(0, shipped.size() / 2)},
  };
  int number = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Use(std::make_unique<Sandbox>(TestName() + L"_" + std::to_wstring(++number)));
    EXPECT_EQ(RunLauncher(LauncherWithPayload(sandbox_->Root() + L"\\bin", c.cabinet)), 0u);
    const Strings errors = Errors();
    ASSERT_FALSE(errors.empty());
    EXPECT_EQ(errors.front(), "Failed to decompress the resource.cab file");
    EXPECT_EQ(errors.back(), "Failed to decompress the embedded resource");
    EXPECT_FALSE(FileExists(sandbox_->Workspace() + L"\\resource.cab"));
    EXPECT_FALSE(FolderExists(sandbox_->Workspace() + L"\\Resource"));
    EXPECT_FALSE(FileExists(report_));
  }
}

// A header whose size field lies: the decoder does not rely on it. The run
// either ends cleanly or fails cleanly; nothing is left either way.
TEST_F(LaunchTest, HeaderLyingAboutItsSize) {
  int number = 0;
  for (const std::uint32_t delta : {1000000u, 0u - 1000u}) {
    SCOPED_TRACE(number);
    Use(std::make_unique<Sandbox>(TestName() + L"_" + std::to_wstring(++number)));
    std::string lying = ShippedPayload();
    *reinterpret_cast<std::uint32_t*>(lying.data() + 8) += delta;
    const std::optional<DWORD> code = RunLauncher(LauncherWithPayload(sandbox_->Root() + L"\\bin", lying));
    ASSERT_TRUE(code.has_value());
    if (*code == 1) {
      EXPECT_EQ(Errors(), kCleanRunErrors);
      EXPECT_TRUE(FileExists(report_));
    } else {
      EXPECT_EQ(*code, 0u);
      EXPECT_EQ(Errors().back(), "Failed to decompress the embedded resource");
    }
    EXPECT_FALSE(FileExists(sandbox_->Workspace() + L"\\resource.cab"));
    EXPECT_FALSE(FolderExists(sandbox_->Workspace() + L"\\Resource"));
  }
}

TEST_F(LaunchTest, CabinetOfTenThousandMembers) {
  std::vector<CabMember> members{{"Resource\\Binary\\64bit\\tarnview.exe", Host64()}};
  for (int i = 0; i < 10000; ++i) {
    members.push_back({"Resource\\Data\\f" + std::to_string(i % 250) + "\\m" + std::to_string(i) + ".txt",
                       "member " + std::to_string(i)});
  }
  EXPECT_EQ(RunLauncher(LauncherWithPayload(sandbox_->Root() + L"\\bin", BuildCabinet(members))), 1u);
  EXPECT_TRUE(FileExists(report_));
  EXPECT_FALSE(FolderExists(sandbox_->Workspace() + L"\\Resource"));
}

TEST_F(LaunchTest, StoredNamesOf259And260UnitsOfOutputPath) {
  for (const size_t length : {259u, 260u}) {
    SCOPED_TRACE(length);
    Use(std::make_unique<Sandbox>(TestName() + L"_" + std::to_wstring(length)));
    const std::string prefix = "Resource\\";
    const size_t nameLength = length - sandbox_->Workspace().size() - 1;
    const std::string name = prefix + std::string(nameLength - prefix.size(), 'n');
    const std::wstring exe = LauncherWithPayload(
        sandbox_->Root() + L"\\bin", BuildCabinet({{"Resource\\Binary\\64bit\\tarnview.exe", Host64()}, {name, "x"}}));
    const std::optional<DWORD> code = RunLauncher(exe);
    if (length == 259) {
      EXPECT_EQ(code, 1u);
      EXPECT_TRUE(FileExists(report_));
    } else {
      EXPECT_EQ(code, 0u);
      EXPECT_EQ(Errors().back(), "Failed to decompress the embedded resource");
    }
    EXPECT_FALSE(FolderExists(sandbox_->Workspace() + L"\\Resource"));
  }
}

TEST_F(LaunchTest, NamesThatClimbOutOrAreAbsolute) {
  for (const char* name : {"..\\..\\escape.txt", "Resource\\..\\..\\..\\escape.txt", "Resource/../../../escape.txt",
                           "C:\\escape.txt", "\\escape.txt", "Resource\\..\\..\\..\\..\\temp\\escape.txt"}) {
    SCOPED_TRACE(name);
    Use(std::make_unique<Sandbox>(TestName() + L"_" + std::to_wstring(strlen(name))));
    const std::wstring exe = LauncherWithPayload(sandbox_->Root() + L"\\bin", BuildCabinet({{name, "evil"}}));
    EXPECT_EQ(RunLauncher(exe), 0u);
    for (const std::wstring& outside : {sandbox_->Root() + L"\\escape.txt", sandbox_->AppData() + L"\\escape.txt",
                                        sandbox_->AppData() + L"\\Corvel\\escape.txt",
                                        sandbox_->Temp() + L"\\escape.txt", std::wstring(L"C:\\escape.txt")}) {
      EXPECT_FALSE(FileExists(outside)) << ToUtf8(outside);
    }
  }
}

TEST_F(LaunchTest, AppDataPointingAtAFileOrTooLong) {
  const std::wstring file = sandbox_->Root() + L"\\not-a-folder";
  WriteFileBytes(file, "x");
  for (const std::wstring& appData : {file, sandbox_->Root() + L"\\" + std::wstring(300, L'l')}) {
    SCOPED_TRACE(appData.size());
    sandbox_->SetEnv(L"APPDATA", appData);
    DeleteFileW(sandbox_->LogFile().c_str());
    EXPECT_EQ(RunLauncher(), 0u);
    EXPECT_EQ(Errors(), Strings{"Failed to create the the embedded resource file in location"});
  }
  EXPECT_EQ(ReadFileBytes(file), "x");
}

TEST_F(LaunchTest, LogFileLockedByAnotherProcess) {
  HANDLE locked = CreateFileW(sandbox_->LogFile().c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(locked, INVALID_HANDLE_VALUE);
  EXPECT_EQ(RunLauncher(), 1u);
  CloseHandle(locked);
  EXPECT_TRUE(FileExists(report_));
  EXPECT_EQ(ReadFileBytes(sandbox_->LogFile()), "");
  EXPECT_FALSE(FolderExists(sandbox_->Workspace() + L"\\Resource"));
}

TEST_F(LaunchTest, FiveLaunchersAtOnce) {
  if (_wgetenv(L"DISPLAY") == nullptr) GTEST_SKIP() << "the refused launchers show a message box";
  sandbox_->SetEnv(L"TARNVIEW_SLEEP_MS", L"6000");
  std::vector<Sandbox::Process> launchers;
  for (int i = 0; i < 5; ++i) launchers.push_back(sandbox_->Start(LauncherExe()));
  int boxesClosed = 0;
  const ULONGLONG deadline = GetTickCount64() + 30000;
  while (boxesClosed < 4 && GetTickCount64() < deadline) {
    if (HWND box = FindWindowW(L"#32770", L"Tolvane")) {
      PostMessageW(box, WM_COMMAND, IDOK, 0);
      ++boxesClosed;
      while (IsWindow(box) && GetTickCount64() < deadline) Sleep(20);
    }
    Sleep(20);
  }
  std::vector<DWORD> codes;
  for (Sandbox::Process& launcher : launchers) codes.push_back(Sandbox::Wait(launcher).value_or(255));
  EXPECT_EQ(boxesClosed, 4);
  EXPECT_EQ(std::count(codes.begin(), codes.end(), 1u), 1);
  EXPECT_EQ(std::count(codes.begin(), codes.end(), 0u), 4);
  // Only the one that unpacked wrote to the log.
  EXPECT_EQ(LogMessages(sandbox_->LogFile()).front(), "Info|Current Os is 64 bit");
  EXPECT_EQ(Errors(), kCleanRunErrors);
}

}  // namespace
