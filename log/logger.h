#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "log_entry.h"
#include "log_stream.h"

// The process-wide writer of the plain-text log. Every entry is one line:
// timestamp, " : ", level text, a tab and the message. Nothing it does ever
// reports an error to its callers; an entry that cannot be written is lost.
class CLogger {
 public:
  static CLogger* Instance();

  // Makes `path` the log file: closes the current one and opens `path` for
  // appending.
  void SetLogPath(const std::wstring& path);
  // Appends one entry. `format` follows the platform's wide printf, in which
  // "%s" takes a UTF-16 string; a null format writes an empty message.
  void Write(LogLevel level, const wchar_t* format, ...);

  CLogger(const CLogger&) = delete;
  CLogger& operator=(const CLogger&) = delete;

  // The local clock that stamps entries; tests replace it.
  using Clock = void(WINAPI*)(SYSTEMTIME* now);
  static void SetClock(Clock clock);

  static constexpr std::int32_t kSizeLimit = 4194304;

 private:
  friend class CLoggerTestAccess;
  struct NoFile {};
  CLogger();
  explicit CLogger(NoFile);

  void Open();
  void Close();
  void TruncateIfOverLimit();

  LogStream stream_;
  std::wstring logFilePath_;
  std::int32_t sizeLimit_ = 0;
  CRITICAL_SECTION lock_;
};
