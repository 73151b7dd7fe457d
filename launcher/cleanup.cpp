#include "cleanup.h"

#include <windows.h>
#include <shlwapi.h>

#include <cstdlib>
#include <cwchar>
#include <string>

#include "logger.h"
#include "workspace.h"

namespace {

constexpr size_t kPathUnits = MAX_PATH;

// Copies `first` + `second` into a MAX_PATH buffer; false, with the buffer
// untouched, when the result and its terminator do not fit.
bool JoinInto(wchar_t (&buffer)[kPathUnits], const wchar_t* first, const wchar_t* second) {
  const size_t firstLength = std::wcslen(first);
  const size_t secondLength = std::wcslen(second);
  if (firstLength + secondLength >= kPathUnits) return false;
  std::wmemcpy(buffer, first, firstLength);
  std::wmemcpy(buffer + firstLength, second, secondLength);
  buffer[firstLength + secondLength] = L'\0';
  return true;
}

// Writes `name` over whatever follows the first `at` units of `buffer`.
bool AppendAt(wchar_t (&buffer)[kPathUnits], size_t at, const wchar_t* name) {
  const size_t nameLength = std::wcslen(name);
  if (at + nameLength >= kPathUnits) return false;
  std::wmemcpy(buffer + at, name, nameLength);
  buffer[at + nameLength] = L'\0';
  return true;
}

bool IsDotEntry(const wchar_t* name) { return std::wcscmp(name, L".") == 0 || std::wcscmp(name, L"..") == 0; }

bool PathTooLong() {
  CLogger::Instance()->Write(LogLevel::Error, L"RemoveFiles - Path too long");
  return false;
}

}  // namespace

bool RemoveFiles(const wchar_t* path, bool recurse, bool isDirectory) {
  wchar_t pattern[kPathUnits] = {};
  wchar_t entry[kPathUnits] = {};
  if (!JoinInto(pattern, path, isDirectory ? L"\\*" : L"") || !JoinInto(entry, path, isDirectory ? L"\\" : L"")) {
    return PathTooLong();
  }
  const size_t prefixLength = std::wcslen(entry);

  WIN32_FIND_DATAW found;
  HANDLE find = FindFirstFileW(pattern, &found);
  if (find == INVALID_HANDLE_VALUE) {
    CLogger::Instance()->Write(LogLevel::Error, L"RemoveFiles - Invalid file handle");
    return false;
  }

  if (!isDirectory) {
    if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) DeleteFileW(entry);
    FindClose(find);
    return true;
  }

  do {
    if (IsDotEntry(found.cFileName)) continue;
    if (!AppendAt(entry, prefixLength, found.cFileName)) {
      FindClose(find);
      return PathTooLong();
    }
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      // A junction or directory link is unlinked, never walked: what it
      // points to lies outside the tree.
      const bool isLink = (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
      if (recurse && !isLink && !RemoveFiles(entry, true, true)) {
        FindClose(find);
        return false;
      }
      RemoveDirectoryW(entry);
    } else {
      DeleteFileW(entry);
    }
  } while (FindNextFileW(find, &found));

  const DWORD error = GetLastError();
  FindClose(find);
  if (error != ERROR_NO_MORE_FILES) {
    CLogger::Instance()->Write(LogLevel::Error, L"RemoveFiles - Error occured");
    return false;
  }
  entry[prefixLength] = L'\0';
  RemoveDirectoryW(entry);
  return true;
}

bool ClearResources() {
  const std::optional<Workspace> workspace = Workspace::FromEnvironment();
  if (!workspace) {
    CLogger::Instance()->Write(LogLevel::Error, L"ClearResources - the APPDATA environment variable is not set");
    return false;
  }
  bool result = RemoveFiles(workspace->ResourceFolder().c_str(), true, true);
  if (PathFileExistsW(workspace->PayloadCabinet().c_str()) == TRUE) {
    result = RemoveFiles(workspace->PayloadCabinet().c_str(), false, false);
  }
  if (!result) CLogger::Instance()->Write(LogLevel::Error, L"Failed to clear the resources.");
  return result;
}
