#include <gtest/gtest.h>

#include <cstdlib>

#include "cab_writer.h"
#include "font_installer.h"
#include "launcher_fixture.h"
#include "logger.h"

namespace {

using Strings = std::vector<std::string>;

const wchar_t* const kFontFiles[] = {
    L"OpenSans-Bold.ttf",        L"OpenSans-BoldItalic.ttf",
    L"OpenSans-ExtraBold.ttf",   L"OpenSans-ExtraBoldItalic.ttf",
    L"OpenSans-Italic.ttf",      L"OpenSans-Light.ttf",
    L"OpenSans-LightItalic.ttf", L"OpenSans-Regular.ttf",
    L"OpenSans-Semibold.ttf",    L"OpenSans-SemiboldItalic.ttf",
};

std::wstring ShippedFonts() { return DistFolder() + L"\\..\\..\\payload\\UI\\Fonts\\"; }

// Wine lists the Linux system's fonts; this machine must not have the family
// (fonts-open-sans is never installed). A registration stays visible to every
// process of a wineserver session, so each case here gets a server of its own
// (tools/wine_fresh_server.sh).
class FontsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    sandbox_.emplace(L"fonts_" + TestName());
    log_ = sandbox_->Temp() + L"\\test.log";
    CLogger::Instance()->SetLogPath(log_);
    _wputenv_s(L"TEMP", sandbox_->Temp().c_str());
    copies_ = sandbox_->Temp() + L"\\CVL_FONTS\\";
    ASSERT_FALSE(CFontInstaller::IsFontInstalled(L"Open Sans"))
        << "\"Open Sans\" is installed on this machine: the font tests need it absent";
  }
  // A font folder of the test's own, filled from the shipped fonts.
  std::wstring SourceFolder(const wchar_t* leaveOut = nullptr, bool garbage = false) {
    const std::wstring folder = sandbox_->Root() + L"\\source\\";
    CreateDirectoryW(folder.c_str(), nullptr);
    for (const wchar_t* file : kFontFiles) {
      if (leaveOut != nullptr && std::wstring(file) == leaveOut) continue;
      if (garbage) {
        WriteFileBytes(folder + file, "not a font");
      } else {
        CopyFileW((ShippedFonts() + file).c_str(), (folder + file).c_str(), FALSE);
      }
    }
    return folder;
  }
  Strings Errors() const { return LogErrors(log_); }

  std::optional<Sandbox> sandbox_;
  std::wstring log_;
  std::wstring copies_;
};

TEST_F(FontsTest, FamilyPresentDoesNothing) {
  ASSERT_GT(AddFontResourceW((ShippedFonts() + L"OpenSans-Regular.ttf").c_str()), 0);
  EXPECT_TRUE(CFontInstaller::CheckAndInstallFonts(SourceFolder()));
  EXPECT_FALSE(FolderExists(copies_));
  EXPECT_TRUE(Errors().empty());
}

TEST_F(FontsTest, FamilyAbsentCopiesOverOlderCopiesAndRegisters) {
  CreateDirectoryW(copies_.c_str(), nullptr);
  WriteFileBytes(copies_ + L"OpenSans-Bold.ttf", "an older copy");
  const std::wstring source = SourceFolder();
  EXPECT_TRUE(CFontInstaller::CheckAndInstallFonts(source));
  for (const wchar_t* file : kFontFiles) EXPECT_EQ(ReadFileBytes(copies_ + file), ReadFileBytes(source + file));
  EXPECT_TRUE(CFontInstaller::IsFontInstalled(L"Open Sans"));
  EXPECT_TRUE(Errors().empty());
}

TEST_F(FontsTest, OneFileMissingFromTheSource) {
  const std::wstring source = SourceFolder(L"OpenSans-Light.ttf");
  EXPECT_TRUE(CFontInstaller::CheckAndInstallFonts(source));
  // The message names the copy that was never made.
  EXPECT_EQ(Errors(), Strings{"Failed to install font " + ToUtf8(copies_) + "OpenSans-Light.ttf"});
  EXPECT_TRUE(FileExists(copies_ + L"OpenSans-Regular.ttf"));
}

TEST_F(FontsTest, OneFileMissingButAnOlderCopyIsThere) {
  CreateDirectoryW(copies_.c_str(), nullptr);
  CopyFileW((ShippedFonts() + L"OpenSans-Light.ttf").c_str(), (copies_ + L"OpenSans-Light.ttf").c_str(), FALSE);
  EXPECT_TRUE(CFontInstaller::CheckAndInstallFonts(SourceFolder(L"OpenSans-Light.ttf")));
  EXPECT_TRUE(Errors().empty());
}

TEST_F(FontsTest, EveryRegistrationFailing) {
  EXPECT_TRUE(CFontInstaller::CheckAndInstallFonts(SourceFolder(nullptr, true)));
  Strings expected;
  for (const wchar_t* file : kFontFiles) expected.push_back("Failed to install font " + ToUtf8(copies_ + file));
  EXPECT_EQ(Errors(), expected);
}

TEST_F(FontsTest, CopyFolderDenied) {
  // As root, Wine meets a denied mkdir only where Linux denies it to root too.
  _wputenv_s(L"TEMP", L"Z:\\sys");
  EXPECT_FALSE(CFontInstaller::CheckAndInstallFonts(SourceFolder()));
  EXPECT_EQ(Errors(), Strings{"Failed to create the directory for fonts"});
  EXPECT_FALSE(CFontInstaller::IsFontInstalled(L"Open Sans"));
}

TEST_F(FontsTest, TempUnset) {
  _wputenv_s(L"TEMP", L"");
  EXPECT_FALSE(CFontInstaller::CheckAndInstallFonts(SourceFolder()));
  EXPECT_EQ(Errors(), Strings{"Failed to find the folder for fonts: TEMP is not set"});
  EXPECT_FALSE(FolderExists(copies_));
}

TEST_F(FontsTest, FaceNamesAtAndPastTheFieldSize) {
  ASSERT_GT(AddFontResourceW((ShippedFonts() + L"OpenSans-Regular.ttf").c_str()), 0);
  EXPECT_TRUE(CFontInstaller::IsFontInstalled(L"Open Sans"));
  EXPECT_FALSE(CFontInstaller::IsFontInstalled(std::wstring(31, L'x')));
  // Longer than the field: never copied in part, where it could name
  // another family.
  EXPECT_FALSE(CFontInstaller::IsFontInstalled(L"Open Sans" + std::wstring(40, L' ')));
  EXPECT_FALSE(CFontInstaller::IsFontInstalled(std::wstring(5000, L'y')));
}

// ---- the launcher ----

TEST_F(LaunchTest, FontsAreCopiedToTempBeforeTheHostStarts) {
  EXPECT_EQ(RunLauncher(), 1u);
  for (const wchar_t* file : kFontFiles) {
    EXPECT_EQ(ReadFileBytes(sandbox_->Temp() + L"\\CVL_FONTS\\" + file), ReadFileBytes(ShippedFonts() + file));
  }
  EXPECT_EQ(Errors(), kCleanRunErrors);
  EXPECT_TRUE(FileExists(report_));
}

TEST_F(LaunchTest, FontsMissingFromThePayloadDoNotStopTheHost) {
  const std::string host = ReadFileBytes(DistFolder() + L"\\x64\\tarnview.exe");
  const std::wstring exe =
      LauncherWithPayload(sandbox_->Root() + L"\\bin", BuildCabinet({{"Resource\\Binary\\64bit\\tarnview.exe", host}}));
  EXPECT_EQ(RunLauncher(exe), 1u);
  EXPECT_TRUE(FileExists(report_));
  Strings expected;
  for (const wchar_t* file : kFontFiles) {
    expected.push_back("Failed to install font " + ToUtf8(sandbox_->Temp()) + "\\CVL_FONTS\\" + ToUtf8(file));
  }
  expected.insert(expected.end(), kCleanRunErrors.begin(), kCleanRunErrors.end());
  EXPECT_EQ(Errors(), expected);
}

TEST_F(LaunchTest, TempUnsetStillStartsTheHost) {
  // GetTempPathW falls back to TMP, so the log stays in the sandbox.
  sandbox_->SetEnv(L"TEMP", std::nullopt);
  EXPECT_EQ(RunLauncher(), 1u);
  EXPECT_TRUE(FileExists(report_));
  Strings expected = {"Failed to find the folder for fonts: TEMP is not set", "Failed to check and install fonts"};
  expected.insert(expected.end(), kCleanRunErrors.begin(), kCleanRunErrors.end());
  EXPECT_EQ(Errors(), expected);
}

}  // namespace
