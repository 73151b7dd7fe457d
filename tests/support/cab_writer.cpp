#include "cab_writer.h"

namespace {

void Put16(std::string& out, std::uint16_t value) {
  out += static_cast<char>(value & 0xFF);
  out += static_cast<char>(value >> 8);
}

void Put32(std::string& out, std::uint32_t value) {
  for (int shift = 0; shift < 32; shift += 8) out += static_cast<char>((value >> shift) & 0xFF);
}

void Set32(std::string& out, size_t at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) out[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

}  // namespace

std::string BuildCabinet(const std::vector<CabMember>& members) {
  constexpr size_t kBlock = 32768;
  std::string all;
  for (const CabMember& m : members) all += m.data;

  std::string cab = "MSCF";
  Put32(cab, 0);
  Put32(cab, 0);  // total size, set below
  Put32(cab, 0);
  Put32(cab, 0);  // first member entry, set below
  Put32(cab, 0);
  cab += '\x03';
  cab += '\x01';
  Put16(cab, 1);
  Put16(cab, static_cast<std::uint16_t>(members.size()));
  Put16(cab, 0);
  Put16(cab, 0);
  Put16(cab, 0);
  const size_t folderAt = cab.size();
  Put32(cab, 0);  // first data block, set below
  const size_t blocks = all.empty() ? 0 : (all.size() + kBlock - 1) / kBlock;
  Put16(cab, static_cast<std::uint16_t>(blocks));
  Put16(cab, 0);  // no compression
  Set32(cab, 16, static_cast<std::uint32_t>(cab.size()));
  std::uint32_t offset = 0;
  for (const CabMember& m : members) {
    Put32(cab, static_cast<std::uint32_t>(m.data.size()));
    Put32(cab, offset);
    Put16(cab, 0);
    Put16(cab, m.date);
    Put16(cab, m.time);
    Put16(cab, m.attributes);
    cab += m.name;
    cab += '\0';
    offset += static_cast<std::uint32_t>(m.data.size());
  }
  Set32(cab, folderAt, static_cast<std::uint32_t>(cab.size()));
  for (size_t at = 0; at < all.size(); at += kBlock) {
    const size_t length = std::min(kBlock, all.size() - at);
    Put32(cab, 0);  // no checksum
    Put16(cab, static_cast<std::uint16_t>(length));
    Put16(cab, static_cast<std::uint16_t>(length));
    cab.append(all, at, length);
  }
  Set32(cab, 8, static_cast<std::uint32_t>(cab.size()));
  return cab;
}
