#include <gtest/gtest.h>

#include <string>

#include "logger.h"
#include "sandbox.h"

class CLoggerTestAccess {
 public:
  static CLogger* NewWriter() { return new CLogger(); }
};

namespace {

// Tuesday 5 March 2024, 14:07:09.
void WINAPI FixedClock(SYSTEMTIME* now) {
  *now = SYSTEMTIME{};
  now->wYear = 2024;
  now->wMonth = 3;
  now->wDayOfWeek = 2;
  now->wDay = 5;
  now->wHour = 14;
  now->wMinute = 7;
  now->wSecond = 9;
}

const std::string kStamp = "Tue Mar 05 14:07:09 2024 : ";

class LogWriterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    CLogger::SetClock(&FixedClock);
    const std::string test = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    sandbox_.emplace(L"log_" + FromUtf8(test));
    path_ = sandbox_->Temp() + L"\\SelfExtractor.log";
  }
  void TearDown() override { CLogger::SetClock(nullptr); }

  // A writer of its own, pointed at this test's file; never deleted, like the
  // process-wide one.
  CLogger* Writer() {
    CLogger* writer = CLoggerTestAccess::NewWriter();
    writer->SetLogPath(path_);
    return writer;
  }

  std::optional<Sandbox> sandbox_;
  std::wstring path_;
};

struct LevelCase {
  int level;
  std::string text;
};

TEST_F(LogWriterTest, EntryLayoutAndLevelTexts) {
  const LevelCase cases[] = {{1, "Info"}, {2, "Error "}, {3, "Warn "}, {0, "Info"}, {4, "Info"}, {-1, "Info"}};
  CLogger* writer = Writer();
  std::string expected;
  for (const LevelCase& c : cases) {
    writer->Write(static_cast<LogLevel>(c.level), L"Failed to create the directory");
    expected += kStamp + c.text + "\tFailed to create the directory\r\n";
  }
  EXPECT_EQ(ReadFileBytes(path_), expected);
}

TEST(LogTimestamp, LayoutAtTheEdges) {
  struct Case {
    SYSTEMTIME time;
    const wchar_t* text;
  };
  const Case cases[] = {
      {{2024, 3, 2, 5, 14, 7, 9, 0}, L"Tue Mar 05 14:07:09 2024"},
      {{2023, 1, 0, 1, 0, 0, 1, 0}, L"Sun Jan 01 00:00:01 2023"},
      {{2022, 12, 6, 31, 23, 59, 59, 999}, L"Sat Dec 31 23:59:59 2022"},
      {{1970, 1, 4, 1, 0, 0, 0, 0}, L"Thu Jan 01 00:00:00 1970"},
  };
  for (const Case& c : cases) EXPECT_EQ(FormatTimestamp(c.time), c.text);
}

TEST_F(LogWriterTest, MessageFormatting) {
  CLogger* writer = Writer();
  writer->Write(LogLevel::Info, L"Current Os is %s bit", L"64");
  writer->Write(LogLevel::Error, L"100%% done, code %d", -5);
  writer->Write(LogLevel::Error, nullptr);
  writer->Write(LogLevel::Error, L"plain text without directives");
  EXPECT_EQ(ReadFileBytes(path_), kStamp + "Info\tCurrent Os is 64 bit\r\n" + kStamp +
                                      "Error \t100% done, code -5\r\n" + kStamp + "Error \t\r\n" + kStamp +
                                      "Error \tplain text without directives\r\n");
}

TEST_F(LogWriterTest, MessageLengthIsBoundedAt1023) {
  CLogger* writer = Writer();
  const std::wstring exact(1023, L'x');
  const std::wstring longer(3000, L'y');
  writer->Write(LogLevel::Error, L"%s", exact.c_str());
  writer->Write(LogLevel::Error, L"%s", longer.c_str());
  EXPECT_EQ(ReadFileBytes(path_), kStamp + "Error \t" + std::string(1023, 'x') + "\r\n" + kStamp + "Error \t" +
                                      std::string(1023, 'y') + "\r\n");
}

TEST_F(LogWriterTest, OneBytePerCharacterAndLineFeedsAsCrLf) {
  CLogger* writer = Writer();
  writer->Write(LogLevel::Error, L"%s", L"Zo\u00eb \u0416\u4e2d\nnext");
  EXPECT_EQ(ReadFileBytes(path_), kStamp + "Error \tZo\xeb ??\r\nnext\r\n");
}

TEST_F(LogWriterTest, AppendsAcrossWritersAndReopens) {
  Writer()->Write(LogLevel::Error, L"first run");
  CLogger* second = Writer();
  second->Write(LogLevel::Error, L"second run");
  second->SetLogPath(path_);
  second->Write(LogLevel::Error, L"after reopening");
  EXPECT_EQ(ReadFileBytes(path_), kStamp + "Error \tfirst run\r\n" + kStamp + "Error \tsecond run\r\n" + kStamp +
                                      "Error \tafter reopening\r\n");
}

// The position after an appending open reads 0 until the first entry is
// written; the size check then compares the file's length with the limit.
TEST_F(LogWriterTest, SizeLimitBoundary) {
  const std::string first = kStamp + "Error \tfirst\r\n";
  const std::string second = kStamp + "Error \tsecond\r\n";
  struct Case {
    size_t sizeAfterFirst;
    bool truncated;
  };
  for (const Case c : {Case{4194304, false}, Case{4194305, true}}) {
    SCOPED_TRACE(c.sizeAfterFirst);
    DeleteFileW(path_.c_str());
    ASSERT_TRUE(WriteFileBytes(path_, std::string(c.sizeAfterFirst - first.size(), 'o')));
    CLogger* writer = Writer();
    writer->Write(LogLevel::Error, L"first");
    writer->Write(LogLevel::Error, L"second");
    const std::string content = ReadFileBytes(path_);
    if (c.truncated) {
      EXPECT_EQ(content, second);
    } else {
      EXPECT_EQ(content.size(), c.sizeAfterFirst + second.size());
      EXPECT_EQ(content.substr(c.sizeAfterFirst), second);
    }
    writer->SetLogPath(sandbox_->Temp() + L"\\parked.log");
  }
}

TEST_F(LogWriterTest, FileLeftOverLimitGetsOneEntryThenIsEmptied) {
  const size_t fiveMiB = 5 * 1024 * 1024;
  ASSERT_TRUE(WriteFileBytes(path_, std::string(fiveMiB, 'o')));
  CLogger* writer = Writer();
  writer->Write(LogLevel::Error, L"first");
  EXPECT_EQ(ReadFileBytes(path_).size(), fiveMiB + (kStamp + "Error \tfirst\r\n").size());
  writer->Write(LogLevel::Error, L"second");
  writer->Write(LogLevel::Error, L"third");
  EXPECT_EQ(ReadFileBytes(path_), kStamp + "Error \tsecond\r\n" + kStamp + "Error \tthird\r\n");
}

TEST_F(LogWriterTest, MissingFolderWritesNothingUntilAGoodPathIsSet) {
  CLogger* writer = CLoggerTestAccess::NewWriter();
  const std::wstring missing = sandbox_->Root() + L"\\no such folder\\SelfExtractor.log";
  writer->SetLogPath(missing);
  writer->Write(LogLevel::Error, L"lost");
  EXPECT_FALSE(FileExists(missing));
  writer->SetLogPath(path_);
  writer->Write(LogLevel::Error, L"kept");
  EXPECT_EQ(ReadFileBytes(path_), kStamp + "Error \tkept\r\n");
}

TEST_F(LogWriterTest, OpenFileIsSharedForReadingAndWriting) {
  CLogger* writer = Writer();
  writer->Write(LogLevel::Error, L"one");
  HANDLE reader =
      CreateFileW(path_.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(reader, INVALID_HANDLE_VALUE);
  HANDLE other = CreateFileW(path_.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                             OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(other, INVALID_HANDLE_VALUE);
  DWORD written = 0;
  WriteFile(other, "other\r\n", 7, &written, nullptr);
  CloseHandle(other);
  writer->Write(LogLevel::Error, L"two");
  char buffer[256] = {};
  DWORD read = 0;
  ReadFile(reader, buffer, sizeof buffer - 1, &read, nullptr);
  CloseHandle(reader);
  EXPECT_EQ(std::string(buffer, read), kStamp + "Error \tone\r\nother\r\n" + kStamp + "Error \ttwo\r\n");
}

TEST(LogDefaultFile, FirstInstanceCreatesFrameworkLogInTheTemporaryFolder) {
  wchar_t temp[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, temp);
  const std::wstring framework = std::wstring(temp) + L"FrameWork.log";
  ASSERT_NE(CLogger::Instance(), nullptr);
  EXPECT_EQ(CLogger::Instance(), CLogger::Instance());
  EXPECT_TRUE(FileExists(framework));
}

}  // namespace
