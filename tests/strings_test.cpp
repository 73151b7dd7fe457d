#include <gtest/gtest.h>

#include <objbase.h>

#include <stdexcept>
#include <thread>

#include "launcher_fixture.h"
#include "logger.h"
#include "ui_manager.h"

namespace {

using Strings = std::vector<std::string>;

// The table the shipped launcher embeds, read from the built launcher.
std::string EmbeddedTable() {
  HMODULE launcher = LoadLibraryExW(LauncherExe().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  if (launcher == nullptr) return std::string();
  std::string bytes;
  if (HRSRC found = FindResourceW(launcher, MAKEINTRESOURCEW(137), L"XML")) {
    const void* data = LockResource(LoadResource(launcher, found));
    bytes.assign(static_cast<const char*>(data), SizeofResource(launcher, found));
  }
  FreeLibrary(launcher);
  return bytes;
}

std::string g_table;

std::optional<CUIManager::TableBytes> TestTable() {
  return CUIManager::TableBytes{g_table.data(), static_cast<DWORD>(g_table.size())};
}
std::optional<CUIManager::TableBytes> MissingTable() { return std::nullopt; }
std::optional<CUIManager::TableBytes> ThrowingTable() {
  SetLastError(1234);
  throw std::runtime_error("table");
}

std::string Utf16(const std::wstring& text) {
  return std::string(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t));
}

class StringsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    sandbox_.emplace(L"strings_" + TestName());
    log_ = sandbox_->Temp() + L"\\test.log";
    CLogger::Instance()->SetLogPath(log_);
    CoInitialize(nullptr);
    g_table = EmbeddedTable();
    ASSERT_GT(g_table.size(), 2u);
    CUIManager::SetTableSource(&TestTable);
  }
  void TearDown() override {
    CUIManager::SetTableSource(nullptr);
    CoUninitialize();
  }
  std::optional<Sandbox> sandbox_;
  std::wstring log_;
};

TEST_F(StringsTest, Lookups) {
  struct Case {
    const wchar_t* locale;
    const wchar_t* key;
    const wchar_t* text;
    Strings errors;
  };
  const Case cases[] = {
      {L"en-us", L"StrQdTitle", L"Tolvane", {}},
      {L"en-us", L"StrQdMultipleInstance", L"Tolvane is already running on this machine.", {}},
      {L"EN-US", L"StrQdTitle", L"Tolvane", {}},
      {L"de-de", L"StrQdTitle", L"Tolvane", {}},
      {L"en-us", L"strqdtitle", L"", {"failed to get the string from xml node"}},
      {L"en-us", L"StrQd'Title", L"", {"failed to get the string from xml node"}},
      {L"en-u's", L"StrQdTitle", L"Tolvane", {}},
  };
  int number = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(ToUtf8(c.locale) + " " + ToUtf8(c.key));
    const std::wstring caseLog = sandbox_->Temp() + L"\\case" + std::to_wstring(++number) + L".log";
    CLogger::Instance()->SetLogPath(caseLog);
    EXPECT_EQ(CUIManager::GetString(c.locale, c.key), c.text);
    EXPECT_EQ(LogErrors(caseLog), c.errors);
  }
}

TEST_F(StringsTest, BrokenTables) {
  const std::string withoutMark = g_table.substr(2);
  struct Case {
    const char* what;
    std::string table;
  };
  const Case cases[] = {
      {"only the byte-order mark", "\xff\xfe"},
      {"no byte-order mark", withoutMark},
      {"text that does not parse", "\xff\xfe" + Utf16(L"<UIStrings><Strings locale='en-us'><str")},
      {"an odd byte after the mark", std::string("\xff\xfe<", 3)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    g_table = c.table;
    const std::wstring caseLog = sandbox_->Temp() + L"\\" + FromUtf8(c.what) + L".log";
    CLogger::Instance()->SetLogPath(caseLog);
    EXPECT_EQ(CUIManager::GetString(L"en-us", L"StrQdTitle"), L"");
    EXPECT_EQ(LogErrors(caseLog), Strings{"GetString , failed to load the string xml"});
  }
}

TEST_F(StringsTest, MissingResource) {
  CUIManager::SetTableSource(&MissingTable);
  EXPECT_EQ(CUIManager::GetString(L"en-us", L"StrQdTitle"), L"");
  EXPECT_EQ(LogErrors(log_), Strings{"CUIManager::GetString , failed to get the string resource"});
}

TEST_F(StringsTest, WithoutComOnTheThread) {
  std::wstring text = L"unset";
  std::thread([&] { text = CUIManager::GetString(L"en-us", L"StrQdTitle"); }).join();
  EXPECT_EQ(text, L"");
  EXPECT_EQ(LogErrors(log_), Strings{"GetString , failed to load the string xml"});
}

TEST_F(StringsTest, ExceptionIsLoggedWithTheLastErrorCode) {
  CUIManager::SetTableSource(&ThrowingTable);
  EXPECT_EQ(CUIManager::GetString(L"en-us", L"StrQdTitle"), L"");
  // The code is whatever the thread's last error is when the handler runs;
  // throwing and unwinding may already have changed it.
  const Strings errors = LogErrors(log_);
  ASSERT_EQ(errors.size(), 1u);
  const std::string prefix = "Exception occured while reading the string, ErrorCode: ";
  ASSERT_EQ(errors[0].rfind(prefix, 0), 0u) << errors[0];
  const std::string code = errors[0].substr(prefix.size());
  EXPECT_FALSE(code.empty());
  EXPECT_EQ(code.find_first_not_of("-0123456789"), std::string::npos) << errors[0];
}

TEST(EmbeddedStringTable, LauncherProgramReadsItsOwnResource) {
  // Without a substitute source the lookup reads this program's own module,
  // which carries no table.
  Sandbox sandbox(L"strings_own_module");
  const std::wstring log = sandbox.Temp() + L"\\test.log";
  CLogger::Instance()->SetLogPath(log);
  CoInitialize(nullptr);
  EXPECT_EQ(CUIManager::GetString(L"en-us", L"StrQdTitle"), L"");
  CoUninitialize();
  EXPECT_EQ(LogErrors(log), Strings{"CUIManager::GetString , failed to get the string resource"});
}

}  // namespace
