#include <gtest/gtest.h>

#include <shlobj.h>

#include "cab_writer.h"
#include "launcher_fixture.h"

namespace {

using Strings = std::vector<std::string>;

TEST_F(LaunchTest, CabinetsAndTreeGoWhatTheHostPutInTheRootStays) {
  const std::wstring root = sandbox_->Workspace();
  sandbox_->SetEnv(L"TARNVIEW_WRITE", root + L"\\db.cab;" + root + L"\\collection.cab;" + root + L"\\settings.json;" +
                                          root + L"\\Resource\\UI\\host-cache.bin");
  EXPECT_EQ(RunLauncher(), 1u);
  EXPECT_FALSE(FileExists(root + L"\\db.cab"));
  EXPECT_FALSE(FileExists(root + L"\\collection.cab"));
  EXPECT_FALSE(FileExists(root + L"\\resource.cab"));
  EXPECT_FALSE(FolderExists(root + L"\\Resource"));
  EXPECT_TRUE(FileExists(root + L"\\settings.json"));
  EXPECT_TRUE(Errors().empty());
}

TEST_F(LaunchTest, ReadOnlyFileLeftByTheHostStaysWithItsFolders) {
  const std::wstring kept = sandbox_->Workspace() + L"\\Resource\\UI\\Locale\\locked.txt";
  sandbox_->SetEnv(L"TARNVIEW_READONLY", kept);
  EXPECT_EQ(RunLauncher(), 1u);
  EXPECT_TRUE(FileExists(kept));
  EXPECT_FALSE(FolderExists(sandbox_->Workspace() + L"\\Resource\\UI\\Fonts"));
  EXPECT_FALSE(FolderExists(sandbox_->Workspace() + L"\\Resource\\Binary"));
  EXPECT_FALSE(FileExists(sandbox_->Workspace() + L"\\Resource\\UI\\Locale\\AppResource.en-US.json"));
  EXPECT_EQ(Errors(), kCleanRunErrors);
  RemoveTree(sandbox_->Root());
}

TEST_F(LaunchTest, DirectoryLinkPlantedByTheHostIsNotFollowed) {
  const std::wstring outside = sandbox_->Root() + L"\\outside";
  CreateDirectoryW(outside.c_str(), nullptr);
  WriteFileBytes(outside + L"\\precious.txt", "keep me");
  sandbox_->SetEnv(L"TARNVIEW_LINK", sandbox_->Workspace() + L"\\Resource\\UI\\outside-link|" + outside);
  EXPECT_EQ(RunLauncher(), 1u);
  EXPECT_EQ(ReadFileBytes(outside + L"\\precious.txt"), "keep me");
  EXPECT_FALSE(FolderExists(sandbox_->Workspace() + L"\\Resource"));
}

TEST_F(LaunchTest, PayloadThatFailsPartWay) {
  struct Case {
    const char* what;
    std::vector<CabMember> members;
    Strings errors;
  };
  const Case cases[] = {
      {"fails after the first member",
       {{"Resource\\UI\\first.txt", "first"}, {"Resource\\..\\..\\escape.txt", "evil"}},
       {"Failed to decompress the resource.cab file", "Failed to decompress the embedded resource"}},
      {"fails before any folder",
       {{"\\escape.txt", "evil"}},
       {"Failed to decompress the resource.cab file", "RemoveFiles - Invalid file handle",
        "Failed to decompress the embedded resource"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Use(std::make_unique<Sandbox>(TestName() + L"_" + std::to_wstring(c.members.size())));
    SHCreateDirectoryExW(nullptr, sandbox_->Workspace().c_str(), nullptr);
    WriteFileBytes(sandbox_->Workspace() + L"\\db.cab", "from an earlier run");
    const std::wstring exe = LauncherWithPayload(sandbox_->Root() + L"\\bin", BuildCabinet(c.members));
    ASSERT_FALSE(exe.empty());
    EXPECT_EQ(RunLauncher(exe), 0u);
    EXPECT_EQ(Errors(), c.errors);
    EXPECT_FALSE(FileExists(sandbox_->Workspace() + L"\\resource.cab"));
    EXPECT_FALSE(FolderExists(sandbox_->Workspace() + L"\\Resource"));
    EXPECT_TRUE(FileExists(sandbox_->Workspace() + L"\\db.cab"));
    EXPECT_FALSE(FileExists(sandbox_->Root() + L"\\escape.txt"));
    EXPECT_FALSE(FileExists(report_));
  }
}

}  // namespace
