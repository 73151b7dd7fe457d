#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

// A byte sink over one file handle with the two failure marks of a C++ stream:
// fail (an open or close went wrong) and bad (a write went wrong). Either mark
// stops all output until a successful Open clears both.
class LogStream {
 public:
  enum class Mode { Append, Truncate };

  LogStream() = default;
  LogStream(const LogStream&) = delete;
  LogStream& operator=(const LogStream&) = delete;
  ~LogStream();

  // Opens with read and write sharing. Fails, setting the fail mark, when a
  // file is still open or the open itself fails; clears both marks otherwise.
  bool Open(const std::wstring& path, Mode mode);
  // Closes whatever is open; a failed close sets the fail mark.
  void Close();
  // Writes the bytes in one call; does nothing while a mark is set.
  void Write(const std::string& bytes);
  // The offset of the next byte. Fails when no file is open or a mark is set.
  bool Tell(std::int64_t* position) const;

  bool IsOpen() const { return file_ != INVALID_HANDLE_VALUE; }
  bool Fail() const { return failMark_; }
  bool Bad() const { return badMark_; }
  void SetFail() { failMark_ = true; }

 private:
  HANDLE file_ = INVALID_HANDLE_VALUE;
  Mode mode_ = Mode::Append;
  bool wroteSinceOpen_ = false;
  std::int64_t bytesWritten_ = 0;
  bool failMark_ = false;
  bool badMark_ = false;
};
