#include "cab_text.h"

#include <windows.h>

#include <cstring>

namespace {

std::optional<std::wstring> Decode(const char* text, UINT codePage, DWORD flags) {
  if (text == nullptr) return std::nullopt;
  const int bytes = static_cast<int>(std::strlen(text));
  if (bytes == 0) return std::wstring();
  const int units = MultiByteToWideChar(codePage, flags, text, bytes, nullptr, 0);
  if (units <= 0) return std::nullopt;
  std::wstring out(static_cast<size_t>(units), L'\0');
  MultiByteToWideChar(codePage, flags, text, bytes, out.data(), units);
  return out;
}

}  // namespace

std::string ToNarrow(const std::wstring& text) {
  if (text.empty()) return std::string();
  const int bytes =
      WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  if (bytes <= 0) return std::string();
  std::string out(static_cast<size_t>(bytes), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), bytes, nullptr, nullptr);
  return out;
}

std::wstring ToWide(const char* text) {
  if (auto utf8 = Decode(text, CP_UTF8, MB_ERR_INVALID_CHARS)) return *utf8;
  if (auto ansi = Decode(text, CP_ACP, 0)) return *ansi;
  return std::wstring();
}

std::optional<std::wstring> DecodeStoredName(const char* name, bool storedAsUtf8) {
  return storedAsUtf8 ? Decode(name, CP_UTF8, MB_ERR_INVALID_CHARS) : Decode(name, CP_ACP, MB_ERR_INVALID_CHARS);
}
