#pragma once

#include <windows.h>

using IsWow64ProcessFn = BOOL(WINAPI*)(HANDLE process, PBOOL isWow64);

// TRUE when the system is 64-bit. The shipped launcher is a 32-bit program:
// IsWow64Process tells whether it runs on 64-bit Windows. Writes the Info
// entry "Current Os is 64 bit" or "... 32 bit".
BOOL IsOs64Bit();

// The probe behind IsOs64Bit, given the IsWow64Process it found (or null when
// the system lacks it).
BOOL IsOs64BitUsing(IsWow64ProcessFn isWow64Process);
