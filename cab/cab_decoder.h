#pragma once

#include <windows.h>
#include <fdi.h>

// The three operations of a cabinet decoder. The system decoder is
// cabinet.dll; tests put a scripted one in its place.
class CabDecoder {
 public:
  virtual ~CabDecoder() = default;
  virtual HFDI Create(PFNALLOC alloc, PFNFREE free, PFNOPEN open, PFNREAD read, PFNWRITE write, PFNCLOSE close,
                      PFNSEEK seek, int cpuType, PERF error) = 0;
  virtual BOOL Copy(HFDI context, char* cabinetName, char* cabinetPath, int flags, PFNFDINOTIFY notify,
                    PFNFDIDECRYPT decrypt, void* user) = 0;
  virtual BOOL Destroy(HFDI context) = 0;
};

// cabinet.dll, loaded on first use by its full path in the system folder and
// never from the launcher's own folder. When it cannot be loaded, Create
// yields no context.
CabDecoder& SystemCabDecoder();
