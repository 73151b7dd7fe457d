#include "log_entry.h"

#include <cstdarg>
#include <cwchar>

namespace {

constexpr size_t kMessageBufferUnits = 1024;

void AppendNumber(std::wstring& out, unsigned value, int digits) {
  wchar_t text[8] = {};
  for (int i = digits - 1; i >= 0; --i) {
    text[i] = static_cast<wchar_t>(L'0' + value % 10);
    value /= 10;
  }
  out.append(text, static_cast<size_t>(digits));
}

}  // namespace

const wchar_t* LevelText(LogLevel level) {
  switch (level) {
    case LogLevel::Error:
      return L"Error ";
    case LogLevel::Warn:
      return L"Warn ";
    default:
      return L"Info";
  }
}

std::wstring FormatTimestamp(const SYSTEMTIME& time) {
  static const wchar_t* const kDays[] = {L"Sun", L"Mon", L"Tue", L"Wed", L"Thu", L"Fri", L"Sat"};
  static const wchar_t* const kMonths[] = {L"Jan", L"Feb", L"Mar", L"Apr", L"May", L"Jun",
                                           L"Jul", L"Aug", L"Sep", L"Oct", L"Nov", L"Dec"};
  std::wstring out;
  out.reserve(24);
  out += time.wDayOfWeek < 7 ? kDays[time.wDayOfWeek] : L"???";
  out += L' ';
  out += time.wMonth >= 1 && time.wMonth <= 12 ? kMonths[time.wMonth - 1] : L"???";
  out += L' ';
  AppendNumber(out, time.wDay % 100u, 2);
  out += L' ';
  AppendNumber(out, time.wHour % 100u, 2);
  out += L':';
  AppendNumber(out, time.wMinute % 100u, 2);
  out += L':';
  AppendNumber(out, time.wSecond % 100u, 2);
  out += L' ';
  AppendNumber(out, time.wYear % 10000u, 4);
  return out;
}

std::string EncodeEntry(const std::wstring& entry) {
  std::string bytes;
  bytes.reserve(entry.size() + 2);
  for (wchar_t unit : entry) {
    if (unit == L'\n') {
      bytes += "\r\n";
    } else if (static_cast<unsigned>(unit) <= 0xFF) {
      bytes += static_cast<char>(static_cast<unsigned char>(unit));
    } else {
      bytes += '?';
    }
  }
  return bytes;
}

std::wstring FormatMessageText(const wchar_t* format, va_list args) {
  if (format == nullptr) return std::wstring();
  wchar_t buffer[kMessageBufferUnits] = {};
  // _vsnwprintf is the msvcrt formatter: "%s" there takes a wide string,
  // whereas MinGW's C99 replacements would read it as an 8-bit one. It does not
  // terminate a truncated result, so the last unit is kept for the terminator.
  _vsnwprintf(buffer, kMessageBufferUnits - 1, format, args);
  buffer[kMessageBufferUnits - 1] = L'\0';
  return std::wstring(buffer);
}
