#include "log_stream.h"

LogStream::~LogStream() {
  if (IsOpen()) CloseHandle(file_);
}

bool LogStream::Open(const std::wstring& path, Mode mode) {
  if (IsOpen()) {
    failMark_ = true;
    return false;
  }
  // Append-only access makes every write land at the end of the file, even
  // when another process appends too.
  const DWORD access = mode == Mode::Append ? FILE_APPEND_DATA | FILE_READ_ATTRIBUTES | SYNCHRONIZE
                                            : GENERIC_WRITE | FILE_READ_ATTRIBUTES;
  const DWORD disposition = mode == Mode::Append ? OPEN_ALWAYS : CREATE_ALWAYS;
  HANDLE file = CreateFileW(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, disposition,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    failMark_ = true;
    return false;
  }
  file_ = file;
  mode_ = mode;
  wroteSinceOpen_ = false;
  bytesWritten_ = 0;
  failMark_ = false;
  badMark_ = false;
  return true;
}

void LogStream::Close() {
  if (!IsOpen()) return;
  HANDLE file = file_;
  file_ = INVALID_HANDLE_VALUE;
  if (!CloseHandle(file)) failMark_ = true;
}

void LogStream::Write(const std::string& bytes) {
  if (!IsOpen() || failMark_ || badMark_ || bytes.empty()) return;
  DWORD written = 0;
  const BOOL ok = WriteFile(file_, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  if (!ok || written != bytes.size()) {
    badMark_ = true;
    return;
  }
  wroteSinceOpen_ = true;
  bytesWritten_ += written;
}

bool LogStream::Tell(std::int64_t* position) const {
  if (!IsOpen() || failMark_ || badMark_) return false;
  if (mode_ == Mode::Truncate) {
    *position = bytesWritten_;
    return true;
  }
  // An appending stream does not know where the end is until it has written
  // there; from then on its position is the length of the file.
  if (!wroteSinceOpen_) {
    *position = 0;
    return true;
  }
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file_, &size)) return false;
  *position = size.QuadPart;
  return true;
}
