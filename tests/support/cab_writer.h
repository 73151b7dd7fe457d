#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Crafted cabinets for tests: one folder, stored without compression, with
// whatever names, dates and attributes a case needs.
struct CabMember {
  std::string name;  // bytes as stored
  std::string data;
  std::uint16_t attributes = 0x20;
  std::uint16_t date = (44 << 9) | (3 << 5) | 5;  // 5 March 2024
  std::uint16_t time = (14 << 11) | (7 << 5) | (9 / 2);
};

std::string BuildCabinet(const std::vector<CabMember>& members);
