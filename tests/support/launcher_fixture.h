#pragma once

#include <windows.h>

#include <map>
#include <string>

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
