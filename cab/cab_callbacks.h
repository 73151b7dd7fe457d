#pragma once

#include <windows.h>
#include <fdi.h>

#include <string>

// The callbacks that cabinet.dll calls while it decodes. Each one catches
// every exception itself and turns it into its failure answer: the library's
// frames are C code that an exception cannot be carried through.
FNALLOC(CabAlloc);
FNFREE(CabFree);
FNOPEN(CabOpen);
FNREAD(CabRead);
FNWRITE(CabWrite);
FNCLOSE(CabClose);
FNSEEK(CabSeek);
FNFDINOTIFY(CabNotify);

// The name of the next cabinet of a set, as the last fdintNEXT_CABINET gave
// it; process-wide, so one extraction at a time runs in a process.
std::wstring& PendingNextCabinet();

// Longest output path, in UTF-16 units without the terminator.
constexpr size_t kMaxOutputPath = MAX_PATH - 1;
