#include "logger.h"

#include <cstdarg>
#include <new>

namespace {

CLogger* g_instance = nullptr;
CLogger::Clock g_clock = &GetLocalTime;

constexpr DWORD kTempBufferUnits = 260;

class LockGuard {
 public:
  explicit LockGuard(CRITICAL_SECTION* lock) : lock_(lock) { EnterCriticalSection(lock_); }
  ~LockGuard() { LeaveCriticalSection(lock_); }
  LockGuard(const LockGuard&) = delete;
  LockGuard& operator=(const LockGuard&) = delete;

 private:
  CRITICAL_SECTION* lock_;
};

}  // namespace

CLogger* CLogger::Instance() {
  if (g_instance == nullptr) {
    try {
      g_instance = new CLogger();
    } catch (...) {
      g_instance = nullptr;
    }
  }
  if (g_instance != nullptr) return g_instance;
  // Callers never check the pointer. Without memory for the writer they get
  // one that has no file, and the next call tries again.
  static CLogger mute(NoFile{});
  return &mute;
}

CLogger::CLogger(NoFile) : sizeLimit_(kSizeLimit) { InitializeCriticalSection(&lock_); }

void CLogger::SetClock(Clock clock) { g_clock = clock != nullptr ? clock : &GetLocalTime; }

CLogger::CLogger() {
  try {
    wchar_t tempFolder[kTempBufferUnits] = {};
    GetTempPathW(kTempBufferUnits, tempFolder);
    tempFolder[kTempBufferUnits - 1] = L'\0';
    if (logFilePath_.empty()) {
      logFilePath_ = std::wstring(tempFolder) + L"FrameWork.log";
      Open();
    }
  } catch (...) {
    // The writer still works without a file; SetLogPath can bring one.
  }
  sizeLimit_ = kSizeLimit;
  InitializeCriticalSection(&lock_);
}

void CLogger::SetLogPath(const std::wstring& path) {
  try {
    if (&path != &logFilePath_) logFilePath_ = path;
    Open();
  } catch (...) {
  }
}

void CLogger::Open() {
  if (logFilePath_.empty()) return;
  Close();
  stream_.Open(logFilePath_, LogStream::Mode::Append);
}

void CLogger::Close() {
  // A stream with the bad mark keeps its file, so that the open that follows
  // fails as well.
  if (stream_.Bad()) return;
  stream_.Close();
}

void CLogger::TruncateIfOverLimit() {
  std::int64_t position = 0;
  if (!stream_.Tell(&position) || position <= sizeLimit_) return;
  stream_.Close();
  stream_.Open(logFilePath_, LogStream::Mode::Truncate);
}

void CLogger::Write(LogLevel level, const wchar_t* format, ...) {
  LockGuard guard(&lock_);
  va_list args;
  va_start(args, format);
  try {
    const std::wstring message = FormatMessageText(format, args);
    TruncateIfOverLimit();
    if (stream_.IsOpen()) {
      SYSTEMTIME now{};
      const wchar_t* levelText = LevelText(level);
      g_clock(&now);
      std::wstring entry = FormatTimestamp(now);
      entry += L" : ";
      entry += levelText;
      entry += L'\t';
      entry += message;
      entry += L'\n';
      stream_.Write(EncodeEntry(entry));
    }
  } catch (...) {
    // The entry is lost; the caller is never told.
  }
  va_end(args);
}
