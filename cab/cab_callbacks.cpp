#include "cab_callbacks.h"

#include <shlobj.h>

#include <cstdlib>
#include <cwctype>

#include "cab_text.h"
#include "stored_name.h"

namespace {

std::wstring g_pendingNextCabinet;

constexpr INT_PTR kNoHandle = -1;
constexpr USHORT kAppliedAttributes = 0x27;  // read-only, hidden, system, archive

HANDLE AsHandle(INT_PTR value) { return reinterpret_cast<HANDLE>(value); }

std::wstring FullPath(const std::wstring& path) {
  wchar_t buffer[MAX_PATH * 2] = {};
  const DWORD length = GetFullPathNameW(path.c_str(), MAX_PATH * 2, buffer, nullptr);
  if (length == 0 || length >= MAX_PATH * 2) return std::wstring();
  return std::wstring(buffer, length);
}

bool StartsWithFolder(const std::wstring& path, const std::wstring& folder) {
  if (folder.empty() || path.size() <= folder.size()) return false;
  for (size_t i = 0; i < folder.size(); ++i) {
    if (std::towlower(path[i]) != std::towlower(folder[i])) return false;
  }
  return folder.back() == L'\\' || path[folder.size()] == L'\\';
}

// fdintCOPY_FILE: where the member goes, and an open handle for it.
INT_PTR OpenOutputFile(const FDINOTIFICATION* note) {
  const std::wstring destination = ToWide(static_cast<const char*>(note->pv));
  const std::optional<std::wstring> name = DecodeStoredName(note->psz1, (note->attribs & _A_NAME_IS_UTF) != 0);
  if (!name || !IsSafeStoredName(*name)) return kNoHandle;

  const std::wstring output = destination + L"\\" + *name;
  if (output.size() > kMaxOutputPath) return kNoHandle;
  // The name was screened already; this also holds against whatever the
  // system's path rules would make of it.
  if (!StartsWithFolder(FullPath(output), FullPath(destination))) return kNoHandle;

  const size_t lastSeparator = output.find_last_of(L'\\');
  if (lastSeparator != std::wstring::npos) {
    SHCreateDirectoryExW(nullptr, output.substr(0, lastSeparator).c_str(), nullptr);
  }
  HANDLE file = CreateFileW(output.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  return file == INVALID_HANDLE_VALUE ? kNoHandle : reinterpret_cast<INT_PTR>(file);
}

// fdintCLOSE_FILE_INFO: the stored creation time and attributes, then close.
INT_PTR CloseOutputFile(const FDINOTIFICATION* note) {
  HANDLE file = AsHandle(note->hf);
  FILETIME local{};
  FILETIME utc{};
  if (DosDateTimeToFileTime(note->date, note->time, &local) == 1 && LocalFileTimeToFileTime(&local, &utc) == 1) {
    FILE_BASIC_INFO info{};
    info.CreationTime.LowPart = utc.dwLowDateTime;
    info.CreationTime.HighPart = static_cast<LONG>(utc.dwHighDateTime);
    // -1 leaves a time as it is and keeps this handle from updating it.
    info.LastAccessTime.QuadPart = -1;
    info.LastWriteTime.QuadPart = -1;
    info.ChangeTime.QuadPart = -1;
    info.FileAttributes = note->attribs & kAppliedAttributes;
    SetFileInformationByHandle(file, FileBasicInfo, &info, sizeof info);
  }
  return CloseHandle(file) == 1 ? 1 : 0;
}

INT_PTR NoteNextCabinet(const FDINOTIFICATION* note) {
  const INT_PTR answer = note->fdie != FDIERROR_NONE ? -1 : 0;
  g_pendingNextCabinet = ToWide(note->psz1);
  return answer;
}

}  // namespace

std::wstring& PendingNextCabinet() { return g_pendingNextCabinet; }

FNALLOC(CabAlloc) { return std::malloc(cb); }

FNFREE(CabFree) { std::free(pv); }

FNOPEN(CabOpen) {
  (void)pmode;
  try {
    DWORD access = GENERIC_READ;
    if (oflag & 0x2) {
      access = GENERIC_READ | GENERIC_WRITE;
    } else if (oflag & 0x1) {
      access = GENERIC_WRITE;
    }
    const DWORD disposition = (oflag & 0x100) ? CREATE_ALWAYS : OPEN_EXISTING;
    HANDLE file = CreateFileW(ToWide(pszFile).c_str(), access, FILE_SHARE_READ, nullptr, disposition,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    return file == INVALID_HANDLE_VALUE ? kNoHandle : reinterpret_cast<INT_PTR>(file);
  } catch (...) {
    return kNoHandle;
  }
}

FNREAD(CabRead) {
  DWORD read = 0;
  if (!ReadFile(AsHandle(hf), pv, cb, &read, nullptr)) return static_cast<UINT>(-1);
  return read;
}

FNWRITE(CabWrite) {
  DWORD written = 0;
  if (!WriteFile(AsHandle(hf), pv, cb, &written, nullptr)) return static_cast<UINT>(-1);
  return written;
}

FNCLOSE(CabClose) { return CloseHandle(AsHandle(hf)) == 1 ? 0 : -1; }

FNSEEK(CabSeek) {
  return static_cast<__LONG32>(SetFilePointer(AsHandle(hf), dist, nullptr, static_cast<DWORD>(seektype)));
}

FNFDINOTIFY(CabNotify) {
  try {
    switch (fdint) {
      case fdintCABINET_INFO:
      case fdintPARTIAL_FILE:
      case fdintENUMERATE:
        return 0;
      case fdintCOPY_FILE:
        return OpenOutputFile(pfdin);
      case fdintCLOSE_FILE_INFO:
        return CloseOutputFile(pfdin);
      case fdintNEXT_CABINET:
        return NoteNextCabinet(pfdin);
      default:
        return -1;
    }
  } catch (...) {
    // Out of memory while building a path: give the file up, and the run.
    if (fdint == fdintCLOSE_FILE_INFO) {
      CloseHandle(AsHandle(pfdin->hf));
      return 0;
    }
    return -1;
  }
}
