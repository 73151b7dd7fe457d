#include <gtest/gtest.h>

#include <shlobj.h>

#include <cstdlib>

#include "cleanup.h"
#include "log_lines.h"
#include "logger.h"
#include "sandbox.h"

namespace {

using Strings = std::vector<std::string>;

class CleanupTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string test = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    sandbox_.emplace(L"cleanup_" + FromUtf8(test));
    log_ = sandbox_->Temp() + L"\\test.log";
    CLogger::Instance()->SetLogPath(log_);
    tree_ = sandbox_->Root() + L"\\tree";
  }
  // tree\a.txt, tree\empty\, tree\sub\b.txt, tree\sub\deep\c.txt
  void MakeTree() {
    SHCreateDirectoryExW(nullptr, (tree_ + L"\\sub\\deep").c_str(), nullptr);
    CreateDirectoryW((tree_ + L"\\empty").c_str(), nullptr);
    WriteFileBytes(tree_ + L"\\a.txt", "a");
    WriteFileBytes(tree_ + L"\\sub\\b.txt", "b");
    WriteFileBytes(tree_ + L"\\sub\\deep\\c.txt", "c");
  }
  Strings Errors() const { return LogErrors(log_); }

  std::optional<Sandbox> sandbox_;
  std::wstring log_;
  std::wstring tree_;
};

TEST_F(CleanupTest, FlagCombinations) {
  struct Case {
    const char* what;
    std::wstring path;
    bool recurse, isDirectory, result;
    std::vector<std::wstring> remaining, gone;
    Strings errors;
  };
  const Case cases[] = {
      {"missing file", L"\\missing.txt", false, false, false, {}, {}, {"RemoveFiles - Invalid file handle"}},
      {"existing file", L"\\a.txt", false, false, true, {L"", L"\\sub\\b.txt"}, {L"\\a.txt"}, {}},
      {"folder without isDirectory", L"", false, false, true, {L"\\a.txt", L"\\sub\\deep\\c.txt"}, {}, {}},
      {"whole tree", L"", true, true, true, {}, {L""}, {}},
      {"files and empty folders only",
       L"",
       false,
       true,
       true,
       {L"", L"\\sub\\b.txt", L"\\sub\\deep\\c.txt"},
       {L"\\a.txt", L"\\empty"},
       {}},
      {"empty folder", L"\\empty", true, true, true, {L"\\a.txt"}, {L"\\empty"}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    RemoveTree(tree_);
    MakeTree();
    const std::wstring caseLog = sandbox_->Temp() + L"\\" + FromUtf8(c.what) + L".log";
    CLogger::Instance()->SetLogPath(caseLog);
    EXPECT_EQ(RemoveFiles((tree_ + c.path).c_str(), c.recurse, c.isDirectory), c.result);
    for (const std::wstring& kept : c.remaining)
      EXPECT_NE(GetFileAttributesW((tree_ + kept).c_str()), INVALID_FILE_ATTRIBUTES) << ToUtf8(kept);
    for (const std::wstring& removed : c.gone)
      EXPECT_EQ(GetFileAttributesW((tree_ + removed).c_str()), INVALID_FILE_ATTRIBUTES) << ToUtf8(removed);
    EXPECT_EQ(LogErrors(caseLog), c.errors);
  }
}

TEST_F(CleanupTest, ReadOnlyAndOpenFilesStayWithTheirFolders) {
  MakeTree();
  ASSERT_TRUE(SetFileAttributesW((tree_ + L"\\sub\\deep\\c.txt").c_str(), FILE_ATTRIBUTE_READONLY));
  HANDLE held =
      CreateFileW((tree_ + L"\\a.txt").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  EXPECT_TRUE(RemoveFiles(tree_.c_str(), true, true));
  CloseHandle(held);
  EXPECT_TRUE(FileExists(tree_ + L"\\sub\\deep\\c.txt"));
  EXPECT_TRUE(FileExists(tree_ + L"\\a.txt"));
  EXPECT_FALSE(FileExists(tree_ + L"\\sub\\b.txt"));
  EXPECT_FALSE(FolderExists(tree_ + L"\\empty"));
  EXPECT_TRUE(Errors().empty());
}

TEST_F(CleanupTest, DirectoryLinkIsUnlinkedNotWalked) {
  const std::wstring outside = sandbox_->Root() + L"\\outside";
  CreateDirectoryW(outside.c_str(), nullptr);
  WriteFileBytes(outside + L"\\precious.txt", "keep me");
  MakeTree();
  if (!CreateSymbolicLinkW((tree_ + L"\\sub\\link").c_str(), outside.c_str(), SYMBOLIC_LINK_FLAG_DIRECTORY)) {
    GTEST_SKIP() << "no directory links here (error " << GetLastError() << ")";
  }
  EXPECT_TRUE(RemoveFiles(tree_.c_str(), true, true));
  EXPECT_EQ(ReadFileBytes(outside + L"\\precious.txt"), "keep me");
  EXPECT_FALSE(FolderExists(tree_));
}

TEST_F(CleanupTest, PathsLongerThanTheBuffersAreLeftAlone) {
  // A pattern (path + "\*") that does not fit in 260 units.
  const std::wstring longFolder = tree_ + L"\\" + std::wstring(258 - tree_.size(), L'f');
  ASSERT_EQ(longFolder.size(), 259u);
  CreateDirectoryW(tree_.c_str(), nullptr);
  ASSERT_TRUE(CreateDirectoryW((L"\\\\?\\" + longFolder).c_str(), nullptr));
  ASSERT_TRUE(WriteFileBytes(L"\\\\?\\" + longFolder + L"\\inside.txt", "x"));
  EXPECT_FALSE(RemoveFiles(longFolder.c_str(), true, true));
  EXPECT_EQ(Errors(), Strings{"RemoveFiles - Path too long"});
  // The same folder met in a walk: its entry path does not fit either.
  EXPECT_FALSE(RemoveFiles(tree_.c_str(), true, true));
  EXPECT_TRUE(FileExists(L"\\\\?\\" + longFolder + L"\\inside.txt"));
  EXPECT_EQ(Errors().size(), 2u);
}

class ClearResourcesTest : public CleanupTest {
 protected:
  void SetUp() override {
    CleanupTest::SetUp();
    _wputenv_s(L"APPDATA", sandbox_->AppData().c_str());
    root_ = sandbox_->Workspace();
    SHCreateDirectoryExW(nullptr, (root_ + L"\\Resource\\UI").c_str(), nullptr);
    WriteFileBytes(root_ + L"\\Resource\\UI\\index.html", "x");
    WriteFileBytes(root_ + L"\\db.cab", "db");
  }
  std::wstring root_;
};

TEST_F(ClearResourcesTest, AfterANormalRun) {
  EXPECT_TRUE(ClearResources());
  EXPECT_FALSE(FolderExists(root_ + L"\\Resource"));
  EXPECT_TRUE(FileExists(root_ + L"\\db.cab"));
  EXPECT_TRUE(FolderExists(root_));
  EXPECT_TRUE(Errors().empty());
}

TEST_F(ClearResourcesTest, AfterAnUnpackingThatMadeNoResourceFolder) {
  RemoveTree(root_ + L"\\Resource");
  WriteFileBytes(root_ + L"\\resource.cab", "cab");
  EXPECT_TRUE(ClearResources());
  EXPECT_FALSE(FileExists(root_ + L"\\resource.cab"));
  EXPECT_EQ(Errors(), Strings{"RemoveFiles - Invalid file handle"});
}

TEST_F(ClearResourcesTest, WithoutAppData) {
  _wputenv_s(L"APPDATA", L"");  // removes the variable
  ASSERT_EQ(_wgetenv(L"APPDATA"), nullptr);
  EXPECT_FALSE(ClearResources());
  EXPECT_TRUE(FolderExists(root_ + L"\\Resource"));
  EXPECT_EQ(Errors(), Strings{"ClearResources - the APPDATA environment variable is not set"});
}

}  // namespace
