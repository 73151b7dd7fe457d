#include "cab_decoder.h"

#include <string>

namespace {

using CreateFn = HFDI(DIAMONDAPI*)(PFNALLOC, PFNFREE, PFNOPEN, PFNREAD, PFNWRITE, PFNCLOSE, PFNSEEK, int, PERF);
using CopyFn = BOOL(DIAMONDAPI*)(HFDI, char*, char*, int, PFNFDINOTIFY, PFNFDIDECRYPT, void*);
using DestroyFn = BOOL(DIAMONDAPI*)(HFDI);

template <typename Fn>
Fn Procedure(HMODULE module, const char* name) {
  return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

class CabinetLibrary final : public CabDecoder {
 public:
  HFDI Create(PFNALLOC alloc, PFNFREE free, PFNOPEN open, PFNREAD read, PFNWRITE write, PFNCLOSE close, PFNSEEK seek,
              int cpuType, PERF error) override {
    if (!Load()) return nullptr;
    return create_(alloc, free, open, read, write, close, seek, cpuType, error);
  }
  BOOL Copy(HFDI context, char* cabinetName, char* cabinetPath, int flags, PFNFDINOTIFY notify, PFNFDIDECRYPT decrypt,
            void* user) override {
    if (!Load()) return FALSE;
    return copy_(context, cabinetName, cabinetPath, flags, notify, decrypt, user);
  }
  BOOL Destroy(HFDI context) override {
    if (!Load()) return FALSE;
    return destroy_(context);
  }

 private:
  bool Load() {
    if (module_ != nullptr) return create_ != nullptr && copy_ != nullptr && destroy_ != nullptr;
    wchar_t system[MAX_PATH] = {};
    const UINT length = GetSystemDirectoryW(system, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return false;
    const std::wstring path = std::wstring(system, length) + L"\\cabinet.dll";
    module_ = LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (module_ == nullptr) return false;
    create_ = Procedure<CreateFn>(module_, "FDICreate");
    copy_ = Procedure<CopyFn>(module_, "FDICopy");
    destroy_ = Procedure<DestroyFn>(module_, "FDIDestroy");
    return create_ != nullptr && copy_ != nullptr && destroy_ != nullptr;
  }

  HMODULE module_ = nullptr;
  CreateFn create_ = nullptr;
  CopyFn copy_ = nullptr;
  DestroyFn destroy_ = nullptr;
};

}  // namespace

CabDecoder& SystemCabDecoder() {
  static CabinetLibrary library;
  return library;
}
