#include "font_installer.h"

#include <windows.h>

#include <cstdlib>

#include "logger.h"

namespace {

const wchar_t* const kFamily = L"Open Sans";

const wchar_t* const kFontFiles[] = {
    L"OpenSans-Bold.ttf",        L"OpenSans-BoldItalic.ttf",
    L"OpenSans-ExtraBold.ttf",   L"OpenSans-ExtraBoldItalic.ttf",
    L"OpenSans-Italic.ttf",      L"OpenSans-Light.ttf",
    L"OpenSans-LightItalic.ttf", L"OpenSans-Regular.ttf",
    L"OpenSans-Semibold.ttf",    L"OpenSans-SemiboldItalic.ttf",
};

int CALLBACK NoteFontFound(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
  *reinterpret_cast<int*>(found) = 1;
  return 1;
}

// Owns a memory device context and deletes it exactly once.
class MemoryDc {
 public:
  MemoryDc() : dc_(CreateCompatibleDC(nullptr)) {}
  ~MemoryDc() {
    if (dc_ != nullptr) DeleteDC(dc_);
  }
  MemoryDc(const MemoryDc&) = delete;
  MemoryDc& operator=(const MemoryDc&) = delete;
  HDC Get() const { return dc_; }

 private:
  HDC dc_;
};

}  // namespace

bool CFontInstaller::IsFontInstalled(const std::wstring& familyName) {
  // A face name has at most LF_FACESIZE - 1 units; a longer one names no
  // installed family, and cutting it down could name another.
  if (familyName.size() >= LF_FACESIZE) return false;
  MemoryDc dc;
  if (dc.Get() == nullptr) return false;
  LOGFONTW font{};
  font.lfCharSet = DEFAULT_CHARSET;
  familyName.copy(font.lfFaceName, familyName.size());
  font.lfFaceName[familyName.size()] = L'\0';
  int found = 0;
  EnumFontFamiliesExW(dc.Get(), &font, &NoteFontFound, reinterpret_cast<LPARAM>(&found), 0);
  return found != 0;
}

bool CFontInstaller::InstallFont(std::wstring fontPath) {
  if (AddFontResourceW(fontPath.c_str()) == 0) {
    CLogger::Instance()->Write(LogLevel::Error, L"Failed to install font %s", fontPath.c_str());
    return false;
  }
  return true;
}

bool CFontInstaller::CheckAndInstallFonts(std::wstring fontFolder) {
  if (IsFontInstalled(kFamily)) return true;
  const wchar_t* temp = _wgetenv(L"TEMP");
  if (temp == nullptr) {
    CLogger::Instance()->Write(LogLevel::Error, L"Failed to find the folder for fonts: TEMP is not set");
    return false;
  }
  std::wstring copyFolder = std::wstring(temp) + L"\\CVL_FONTS";
  if (!CreateDirectoryW(copyFolder.c_str(), nullptr) && GetLastError() == ERROR_ACCESS_DENIED) {
    CLogger::Instance()->Write(LogLevel::Error, L"Failed to create the directory for fonts");
    return false;
  }
  copyFolder += L"\\";
  for (const wchar_t* file : kFontFiles) {
    const std::wstring destination = copyFolder + file;
    CopyFileW((fontFolder + file).c_str(), destination.c_str(), FALSE);
    InstallFont(destination);
  }
  return true;
}
