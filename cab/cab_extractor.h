#pragma once

#include <string>

class CabDecoder;

// Unpacks a cabinet (and the cabinets it continues into) into a folder,
// recreating the folders in the stored names. Each failure is logged once.
class CCabExtractor {
 public:
  // `cabinetPath` is split at its last backslash into directory and name;
  // `destination` is given without a trailing backslash.
  static bool Extract(const std::wstring& cabinetPath, const std::wstring& destination);
  static bool Extract(const std::wstring& cabinetPath, const std::wstring& destination, CabDecoder& decoder);
};
