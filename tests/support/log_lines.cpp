#include "log_lines.h"

#include "sandbox.h"

std::vector<std::string> LogMessages(const std::wstring& logFile) {
  std::vector<std::string> messages;
  const std::string text = ReadFileBytes(logFile);
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find("\r\n", start);
    if (end == std::string::npos) end = text.size();
    const std::string line = text.substr(start, end - start);
    const size_t tab = line.find('\t');
    const size_t levelAt = 27;  // 24-character timestamp and " : "
    if (tab != std::string::npos && tab >= levelAt) {
      std::string level = line.substr(levelAt, tab - levelAt);
      while (!level.empty() && level.back() == ' ') level.pop_back();
      messages.push_back(level + "|" + line.substr(tab + 1));
    } else {
      messages.push_back("?|" + line);
    }
    start = end + 2;
  }
  return messages;
}

std::vector<std::string> LogErrors(const std::wstring& logFile) {
  std::vector<std::string> errors;
  for (const std::string& message : LogMessages(logFile)) {
    if (message.rfind("Error|", 0) == 0) errors.push_back(message.substr(6));
  }
  return errors;
}
