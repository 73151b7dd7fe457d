#pragma once

// The launcher runs elevated from wherever it was saved, often a downloads
// folder full of other files. From here on, DLLs load from the system folder
// only. Call it first thing in wWinMain.
void RestrictDllSearchToSystemFolder();
