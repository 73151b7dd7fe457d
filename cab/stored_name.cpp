#include "stored_name.h"

#include <cwctype>

namespace {

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

std::wstring Upper(std::wstring text) {
  for (wchar_t& c : text) c = static_cast<wchar_t>(std::towupper(c));
  return text;
}

bool IsDeviceName(const std::wstring& component) {
  // Windows maps these names to devices in every folder, with any extension.
  std::wstring base = Upper(component.substr(0, component.find(L'.')));
  while (!base.empty() && base.back() == L' ') base.pop_back();
  if (base == L"CON" || base == L"PRN" || base == L"AUX" || base == L"NUL" || base == L"CONIN$" || base == L"CONOUT$") {
    return true;
  }
  if (base.size() == 4 && (base.compare(0, 3, L"COM") == 0 || base.compare(0, 3, L"LPT") == 0)) {
    const wchar_t digit = base[3];
    return (digit >= L'0' && digit <= L'9') || digit == L'\u00b9' || digit == L'\u00b2' || digit == L'\u00b3';
  }
  return false;
}

bool IsSafeComponent(const std::wstring& component) {
  std::wstring trimmed = component;
  while (!trimmed.empty() && (trimmed.back() == L'.' || trimmed.back() == L' ')) trimmed.pop_back();
  return !trimmed.empty() && !IsDeviceName(component);
}

}  // namespace

bool IsSafeStoredName(const std::wstring& name) {
  if (name.empty() || IsSeparator(name.front())) return false;
  for (wchar_t c : name) {
    if (c == L':' || c < 0x20) return false;
  }
  size_t start = 0;
  while (true) {
    size_t end = start;
    while (end < name.size() && !IsSeparator(name[end])) ++end;
    if (!IsSafeComponent(name.substr(start, end - start))) return false;
    if (end == name.size()) return true;
    start = end + 1;
  }
}
