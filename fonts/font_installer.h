#pragma once

#include <string>

// Makes the interface's font family available before the host starts.
class CFontInstaller {
 public:
  // Unless a face of "Open Sans" is installed, copies the ten font files from
  // `fontFolder` (ending in a backslash) to %TEMP%\CVL_FONTS and registers
  // each copy. False only when that folder cannot be made for lack of access,
  // or TEMP is not set.
  static bool CheckAndInstallFonts(std::wstring fontFolder);
  // True when the system enumerates at least one font of the family.
  static bool IsFontInstalled(const std::wstring& familyName);
  // True when the font file was added to the system's font table.
  static bool InstallFont(std::wstring fontPath);
};
