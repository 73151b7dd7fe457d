#pragma once

#include <windows.h>

#include <optional>
#include <string>

// Looks up user-visible texts in the XML string table that the executable
// carries (type "XML", id 137, UTF-16 with a byte-order mark).
class CUIManager {
 public:
  // The text of the entry `key` for `locale` (compared in lower case), else
  // for "en-us"; the empty string, after one Error entry, when neither has
  // it. COM must be initialised on the calling thread.
  static std::wstring GetString(const std::wstring& locale, const std::wstring& key);

  // Where the table's bytes come from; tests hand in tables of their own.
  // Nothing means the resource is missing. Null restores the embedded table.
  struct TableBytes {
    const void* data;
    DWORD size;
  };
  using TableSource = std::optional<TableBytes> (*)();
  static void SetTableSource(TableSource source);
};
