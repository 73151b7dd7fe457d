#pragma once

#include <optional>
#include <string>

// Paths cross the cabinet library as 8-bit strings. They travel as UTF-8, so
// that every path, whatever its script, comes back unchanged.
std::string ToNarrow(const std::wstring& text);

// Text that the library hands back: UTF-8 when it is valid UTF-8 (our own
// paths), else the system's ANSI code page.
std::wstring ToWide(const char* text);

// A member name as stored: UTF-8 when the cabinet's 0x80 attribute says so,
// else the ANSI code page. Nothing when the bytes are not valid in that
// encoding.
std::optional<std::wstring> DecodeStoredName(const char* name, bool storedAsUtf8);
