#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "cab_extractor.h"
#include "launcher_fixture.h"
#include "logger.h"

namespace {

namespace fs = std::filesystem;

// Mutated copies of the shipped payload, each unpacked into a fresh folder:
// no crash, nothing outside that folder, a plain result, and at most one
// Error entry from the extractor.
TEST(PayloadMutations, DamagedCopiesFailCleanly) {
  Sandbox sandbox(L"mutations");
  const std::string original = ReadFileBytes(DistFolder() + L"\\resource.cab");
  ASSERT_GT(original.size(), 4096u);
  unsigned seed = 20261211;
  const auto next = [&seed] {
    seed = seed * 1664525u + 1013904223u;
    return seed >> 8;
  };
  int failed = 0;
  constexpr int kCopies = 300;
  for (int copy = 0; copy < kCopies; ++copy) {
    std::string mutated = original;
    switch (copy % 4) {
      case 0:  // bytes changed in the header and member table
        for (int i = 0; i < 1 + copy % 7; ++i) mutated[next() % 4096] = static_cast<char>(next());
        break;
      case 1:  // bytes changed anywhere
        for (int i = 0; i < 1 + copy % 5; ++i) mutated[next() % mutated.size()] = static_cast<char>(next());
        break;
      case 2:  // cut short
        mutated.resize(next() % mutated.size());
        break;
      default:  // a block of zeros
      {
        const size_t at = next() % mutated.size();
        const size_t length = std::min<size_t>(1 + next() % 512, mutated.size() - at);
        mutated.replace(at, length, std::string(length, '\0'));
      }
    }
    const std::wstring folder = sandbox.Root() + L"\\copy" + std::to_wstring(copy);
    const std::wstring cab = sandbox.Root() + L"\\copy" + std::to_wstring(copy) + L".cab";
    const std::wstring log = sandbox.Temp() + L"\\copy" + std::to_wstring(copy) + L".log";
    ASSERT_TRUE(WriteFileBytes(cab, mutated));
    CLogger::Instance()->SetLogPath(log);
    const bool result = CCabExtractor::Extract(cab, folder + L"\\out");
    if (!result) ++failed;
    EXPECT_LE(LogErrors(log).size(), 1u) << "copy " << copy;
    EXPECT_EQ(LogErrors(log).empty(), result) << "copy " << copy;
    DeleteFileW(cab.c_str());
    RemoveTree(folder);
  }
  // Everything written went below the folders just removed.
  std::set<std::wstring> left;
  for (const auto& entry : fs::directory_iterator(fs::path(sandbox.Root())))
    left.insert(entry.path().filename().wstring());
  EXPECT_EQ(left, (std::set<std::wstring>{L"appdata", L"temp"}));
  EXPECT_GT(failed, kCopies / 2);
  std::cout << failed << " of " << kCopies << " mutated copies were refused\n";
}

}  // namespace
