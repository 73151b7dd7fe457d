#pragma once

#include <windows.h>

#include <string>

enum class LogLevel : int { Info = 1, Error = 2, Warn = 3 };

// "Info", "Error " or "Warn "; unknown levels read as "Info".
const wchar_t* LevelText(LogLevel level);

// "Tue Mar 05 14:07:09 2024": English names, two-digit day, 24-hour clock.
std::wstring FormatTimestamp(const SYSTEMTIME& time);

// One byte per UTF-16 unit (ISO 8859-1); units above U+00FF become '?'.
// Line feeds are stored as CR LF.
std::string EncodeEntry(const std::wstring& entry);

// Renders a printf-style format with the platform formatter, where "%s" takes
// a UTF-16 string. A null format gives the empty message; the result holds at
// most 1023 units.
std::wstring FormatMessageText(const wchar_t* format, va_list args);
