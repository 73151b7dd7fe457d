#pragma once

#include <windows.h>

// The whole run: single-instance guard, log, payload, unpacking, fonts, host
// start and wait, clean-up. Returns 1 when the run reached the host start and
// 0 when it stopped earlier; a second instance ends the process with 0.
// Exceptions reach the caller.
int RunLauncher(HINSTANCE instance);

// The name of the single-instance event.
constexpr const wchar_t* kSingleInstanceEventName = L"{E71B08E8-3175-445D-964F-BB3CC4FF5E31}";
