#pragma once

#include <string>

// True when a member name stays inside the destination folder: relative, no
// drive, no ':' (which also rules out alternate data streams), no component
// that Windows would read as "." or ".." once trailing dots and blanks are
// trimmed, no empty component, and no DOS device name such as CON or COM1.
// Both '\' and '/' count as separators.
bool IsSafeStoredName(const std::wstring& name);
