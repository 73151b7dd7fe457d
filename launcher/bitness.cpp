#include "bitness.h"

#include "logger.h"

namespace {

#ifdef _WIN64
// A 64-bit process is itself the proof of a 64-bit system.
BOOL WINAPI NativeProcessOn64BitSystem(HANDLE, PBOOL isWow64) {
  *isWow64 = TRUE;
  return TRUE;
}
#endif

}  // namespace

BOOL IsOs64BitUsing(IsWow64ProcessFn isWow64Process) {
  BOOL flag = FALSE;
  if (isWow64Process != nullptr) isWow64Process(GetCurrentProcess(), &flag);
  CLogger::Instance()->Write(LogLevel::Info, L"Current Os is %s bit", flag == 1 ? L"64" : L"32");
  return flag;
}

BOOL IsOs64Bit() {
#ifdef _WIN64
  return IsOs64BitUsing(&NativeProcessOn64BitSystem);
#else
  return IsOs64BitUsing(reinterpret_cast<IsWow64ProcessFn>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32"), "IsWow64Process"))));
#endif
}
