#pragma once

#include <string>
#include <vector>

// The messages of a log file, in order: each line without its timestamp,
// level text and tab, e.g. "Error |Failed to decompress the embedded resource"
// becomes "Error|Failed to decompress the embedded resource".
std::vector<std::string> LogMessages(const std::wstring& logFile);
// Just the message texts of the Error entries.
std::vector<std::string> LogErrors(const std::wstring& logFile);
