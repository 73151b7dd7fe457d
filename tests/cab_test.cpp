#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <vector>

#include "cab_callbacks.h"
#include "cab_decoder.h"
#include "cab_extractor.h"
#include "cab_writer.h"
#include "log_lines.h"
#include "logger.h"
#include "sandbox.h"

namespace {

using Strings = std::vector<std::string>;

// A decoder that plays a script instead of decoding: each Copy runs the
// next step, which may send notifications through the real callbacks.
class ScriptedDecoder : public CabDecoder {
 public:
  struct Call {
    std::string name, path, user;
  };
  using Step = std::function<BOOL(PFNFDINOTIFY notify, void* user)>;

  HFDI Create(PFNALLOC, PFNFREE, PFNOPEN, PFNREAD, PFNWRITE, PFNCLOSE, PFNSEEK, int, PERF) override {
    ++creates;
    return createFails ? nullptr : reinterpret_cast<HFDI>(this);
  }
  BOOL Copy(HFDI, char* name, char* path, int, PFNFDINOTIFY notify, PFNFDIDECRYPT, void* user) override {
    calls.push_back({name, path, static_cast<char*>(user)});
    if (calls.size() > steps.size()) return TRUE;
    return steps[calls.size() - 1](notify, user);
  }
  BOOL Destroy(HFDI) override {
    ++destroys;
    return destroyFails ? FALSE : TRUE;
  }

  std::vector<Step> steps;
  std::vector<Call> calls;
  int creates = 0, destroys = 0;
  bool createFails = false, destroyFails = false;
};

ScriptedDecoder::Step AnnounceNext(const char* next) {
  return [next](PFNFDINOTIFY notify, void*) {
    FDINOTIFICATION note{};
    note.psz1 = const_cast<char*>(next);
    note.fdie = FDIERROR_NONE;
    return notify(fdintNEXT_CABINET, &note) == 0 ? TRUE : FALSE;
  };
}

class CabTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string test = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    sandbox_.emplace(L"cab_" + FromUtf8(test));
    log_ = sandbox_->Temp() + L"\\test.log";
    CLogger::Instance()->SetLogPath(log_);
    destination_ = sandbox_->Root() + L"\\out";
  }
  Strings Errors() const { return LogErrors(log_); }
  std::wstring WriteCabinet(const std::vector<CabMember>& members, const std::wstring& name = L"crafted.cab") {
    const std::wstring path = sandbox_->Root() + L"\\" + name;
    EXPECT_TRUE(WriteFileBytes(path, BuildCabinet(members)));
    return path;
  }

  std::optional<Sandbox> sandbox_;
  std::wstring log_;
  std::wstring destination_;
};

// ---- the loop, with a scripted decoder ----

TEST_F(CabTest, EmptyPathAndPathWithoutBackslash) {
  ScriptedDecoder decoder;
  EXPECT_FALSE(CCabExtractor::Extract(L"", destination_, decoder));
  EXPECT_EQ(Errors(), Strings{"Please pass the proper and existing file name to decompress"});
  EXPECT_FALSE(CCabExtractor::Extract(L"resource.cab", destination_, decoder));
  EXPECT_EQ(Errors().size(), 1u);
  EXPECT_EQ(decoder.creates, 0);
}

TEST_F(CabTest, SingleCabinetIsCopiedOnceAndDestroyedOnce) {
  ScriptedDecoder decoder;
  EXPECT_TRUE(CCabExtractor::Extract(L"C:\\w\\resource.cab", L"D:\\w", decoder));
  ASSERT_EQ(decoder.calls.size(), 1u);
  EXPECT_EQ(decoder.calls[0].name, "resource.cab");
  EXPECT_EQ(decoder.calls[0].path, "C:\\w\\");
  EXPECT_EQ(decoder.calls[0].user, "D:\\w");
  EXPECT_EQ(decoder.destroys, 1);
  EXPECT_TRUE(PendingNextCabinet().empty());
  EXPECT_TRUE(Errors().empty());
}

TEST_F(CabTest, AnnouncedNextCabinetsAreCopiedInTurn) {
  ScriptedDecoder decoder;
  decoder.steps = {AnnounceNext("b.cab"), AnnounceNext("c.cab")};
  EXPECT_TRUE(CCabExtractor::Extract(L"C:\\w\\a.cab", L"D:\\w", decoder));
  ASSERT_EQ(decoder.calls.size(), 3u);
  EXPECT_EQ(decoder.calls[1].name, "b.cab");
  EXPECT_EQ(decoder.calls[2].name, "c.cab");
  EXPECT_EQ(decoder.calls[2].path, "C:\\w\\");
  EXPECT_EQ(decoder.destroys, 1);
}

TEST_F(CabTest, FailuresOfTheDecoderAreLoggedOnce) {
  struct Case {
    const char* what;
    std::function<void(ScriptedDecoder&)> arrange;
    bool result;
    Strings errors;
    int destroys;
  };
  const ScriptedDecoder::Step fail = [](PFNFDINOTIFY, void*) { return FALSE; };
  const ScriptedDecoder::Step raise = [](PFNFDINOTIFY, void*) -> BOOL { throw std::runtime_error("decoder"); };
  const Case cases[] = {
      {"no context",
       [](ScriptedDecoder& d) { d.createFails = true; },
       false,
       {"Failed to create the decompressing context for a.cab"},
       0},
      {"copy fails", [&](ScriptedDecoder& d) { d.steps = {fail}; }, false, {"Failed to decompress the a.cab file"}, 1},
      {"second cabinet fails",
       [&](ScriptedDecoder& d) {
         d.steps = {AnnounceNext("b.cab"), fail};
       },
       false,
       {"Failed to decompress the b.cab file"},
       1},
      {"destroy fails",
       [](ScriptedDecoder& d) { d.destroyFails = true; },
       true,
       {"Failed to destroy decompression context for "},
       1},
      {"exception in the first cabinet",
       [&](ScriptedDecoder& d) { d.steps = {raise}; },
       false,
       {"Exception occured while decompressing a.cab"},
       1},
      {"exception in a later cabinet",
       [&](ScriptedDecoder& d) {
         d.steps = {AnnounceNext("b.cab"), raise};
       },
       true,
       {"Exception occured while decompressing b.cab"},
       1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    CLogger::Instance()->SetLogPath(sandbox_->Temp() + L"\\" + FromUtf8(c.what) + L".log");
    ScriptedDecoder decoder;
    c.arrange(decoder);
    EXPECT_EQ(CCabExtractor::Extract(L"C:\\w\\a.cab", L"D:\\w", decoder), c.result);
    EXPECT_EQ(LogErrors(sandbox_->Temp() + L"\\" + FromUtf8(c.what) + L".log"), c.errors);
    EXPECT_EQ(decoder.destroys, c.destroys);
  }
}

TEST(CabNotifyAnswers, NotificationTable) {
  FDINOTIFICATION note{};
  EXPECT_EQ(CabNotify(fdintCABINET_INFO, &note), 0);
  EXPECT_EQ(CabNotify(fdintPARTIAL_FILE, &note), 0);
  EXPECT_EQ(CabNotify(fdintENUMERATE, &note), 0);
  EXPECT_EQ(CabNotify(static_cast<FDINOTIFICATIONTYPE>(42), &note), -1);
  note.psz1 = const_cast<char*>("next.cab");
  note.fdie = FDIERROR_WRONG_CABINET;
  EXPECT_EQ(CabNotify(fdintNEXT_CABINET, &note), -1);
  EXPECT_EQ(PendingNextCabinet(), L"next.cab");
  note.fdie = FDIERROR_NONE;
  EXPECT_EQ(CabNotify(fdintNEXT_CABINET, &note), 0);
}

// ---- the real cabinet.dll ----

TEST_F(CabTest, ShippedPayloadUnpacksByteForByte) {
  const std::wstring cab = sandbox_->Root() + L"\\resource.cab";
  ASSERT_TRUE(CopyFileW((DistFolder() + L"\\resource.cab").c_str(), cab.c_str(), FALSE));
  ASSERT_TRUE(CCabExtractor::Extract(cab, destination_));
  EXPECT_TRUE(Errors().empty());
  for (const wchar_t* member : {L"Binary\\32bit\\tarnview.exe", L"Binary\\64bit\\tarnview.exe",
                                L"UI\\Fonts\\OpenSans-Regular.ttf", L"UI\\Html\\fr\\index.html"}) {
    SCOPED_TRACE(ToUtf8(member));
    const std::string unpacked = ReadFileBytes(destination_ + L"\\Resource\\" + member);
    EXPECT_FALSE(unpacked.empty());
    if (std::wstring(member).rfind(L"Binary", 0) != 0) {
      EXPECT_EQ(unpacked, ReadFileBytes(DistFolder() + L"\\..\\..\\payload\\" + member));
    }
  }
  EXPECT_EQ(ReadFileBytes(destination_ + L"\\Resource\\Binary\\64bit\\tarnview.exe"),
            ReadFileBytes(DistFolder() + L"\\x64\\tarnview.exe"));
}

TEST_F(CabTest, OutputPathBoundaryAt259) {
  // destination + "\" + name: 259 units are written, 260 abort the run.
  const size_t room = kMaxOutputPath - destination_.size() - 1;
  const std::string fits(room, 'a');
  const std::string tooLong(room + 1, 'b');
  EXPECT_TRUE(CCabExtractor::Extract(WriteCabinet({{fits, "259"}}), destination_));
  EXPECT_EQ(ReadFileBytes(destination_ + L"\\" + FromUtf8(fits)), "259");
  EXPECT_FALSE(CCabExtractor::Extract(WriteCabinet({{tooLong, "260"}}, L"long.cab"), destination_));
  EXPECT_EQ(Errors(), Strings{"Failed to decompress the long.cab file"});
}

TEST_F(CabTest, StoredAttributesAndFoldersAreApplied) {
  const std::wstring cab = WriteCabinet({{"Resource\\UI\\Fonts\\a.ttf", "a", 0x20},
                                         {"readonly.txt", "r", 0x21},
                                         {"run.txt", "x", 0x61},
                                         {"plain.txt", "p", 0x00}});
  ASSERT_TRUE(CCabExtractor::Extract(cab, destination_));
  EXPECT_EQ(ReadFileBytes(destination_ + L"\\Resource\\UI\\Fonts\\a.ttf"), "a");
  const auto attributes = [&](const wchar_t* name) {
    return GetFileAttributesW((destination_ + L"\\" + name).c_str());
  };
  EXPECT_EQ(attributes(L"Resource\\UI\\Fonts\\a.ttf") & FILE_ATTRIBUTE_READONLY, 0u);
  EXPECT_NE(attributes(L"readonly.txt") & FILE_ATTRIBUTE_READONLY, 0u);
  EXPECT_NE(attributes(L"run.txt") & FILE_ATTRIBUTE_READONLY, 0u);
  EXPECT_EQ(attributes(L"plain.txt") & FILE_ATTRIBUTE_READONLY, 0u);
  RemoveTree(destination_);
}

TEST_F(CabTest, ImpossibleDateStillClosesTheFileAndGoesOn) {
  CabMember broken{"broken.txt", "broken", 0x21};
  broken.date = (44 << 9) | (0 << 5) | 5;  // month 0
  ASSERT_TRUE(CCabExtractor::Extract(WriteCabinet({broken, {"next.txt", "next"}}), destination_));
  EXPECT_EQ(ReadFileBytes(destination_ + L"\\broken.txt"), "broken");
  // Neither the time nor the read-only attribute was applied.
  EXPECT_EQ(GetFileAttributesW((destination_ + L"\\broken.txt").c_str()) & FILE_ATTRIBUTE_READONLY, 0u);
  EXPECT_EQ(ReadFileBytes(destination_ + L"\\next.txt"), "next");
}

TEST_F(CabTest, ExistingFileIsOverwrittenAndTruncated) {
  CreateDirectoryW(destination_.c_str(), nullptr);
  ASSERT_TRUE(WriteFileBytes(destination_ + L"\\same.txt", std::string(1000, 'o')));
  ASSERT_TRUE(CCabExtractor::Extract(WriteCabinet({{"same.txt", "new"}}), destination_));
  EXPECT_EQ(ReadFileBytes(destination_ + L"\\same.txt"), "new");
}

TEST_F(CabTest, UnsafeStoredNamesAreRefusedAndNothingLandsOutside) {
  const char* const names[] = {"..\\escaped.txt",
                               "Resource\\..\\..\\escaped.txt",
                               "\\escaped.txt",
                               "/escaped.txt",
                               "C:\\escaped.txt",
                               "Resource/../../escaped.txt",
                               "a:stream",
                               "Resource\\.. \\escaped.txt",
                               "Resource\\...\\escaped.txt",
                               "Resource\\CON",
                               "Resource\\nul.txt",
                               "Resource\\\\double.txt"};
  int number = 0;
  for (const char* name : names) {
    SCOPED_TRACE(name);
    const std::wstring cabName = L"unsafe" + std::to_wstring(++number) + L".cab";
    EXPECT_FALSE(CCabExtractor::Extract(WriteCabinet({{"first.txt", "kept"}, {name, "evil"}}, cabName), destination_));
    EXPECT_EQ(Errors().back(), "Failed to decompress the " + ToUtf8(cabName) + " file");
    // What came before the refused member stays.
    EXPECT_EQ(ReadFileBytes(destination_ + L"\\first.txt"), "kept");
  }
  EXPECT_FALSE(FileExists(sandbox_->Root() + L"\\escaped.txt"));
  EXPECT_FALSE(FileExists(sandbox_->Root() + L"\\..\\escaped.txt"));
  EXPECT_FALSE(FileExists(L"C:\\escaped.txt"));
}

TEST_F(CabTest, NamesAndPathsOutsideAsciiRoundTrip) {
  const std::wstring destination = sandbox_->Root() + L"\\Zo\u00eb \u0416\u4e2d";
  const std::wstring cabFolder = sandbox_->Root() + L"\\\u00c5sa";
  CreateDirectoryW(cabFolder.c_str(), nullptr);
  const std::wstring cab = cabFolder + L"\\payl\u00f6ad.cab";
  CabMember utf8{"Resource\\caf\xc3\xa9 \xe4\xb8\xad.txt", "utf-8 name", 0x20 | 0x80};
  ASSERT_TRUE(WriteFileBytes(cab, BuildCabinet({utf8, {"Resource\\plain.txt", "ascii"}})));
  ASSERT_TRUE(CCabExtractor::Extract(cab, destination));
  EXPECT_EQ(ReadFileBytes(destination + L"\\Resource\\caf\u00e9 \u4e2d.txt"), "utf-8 name");
  EXPECT_EQ(ReadFileBytes(destination + L"\\Resource\\plain.txt"), "ascii");
}

// Runs Wine's cabarc.exe to make a set of cabinets of at most `size` bytes.
bool MakeCabinetSet(const std::wstring& folder, const wchar_t* files, int size) {
  wchar_t system[MAX_PATH];
  GetSystemDirectoryW(system, MAX_PATH);
  std::wstring command =
      L"\"" + std::wstring(system) + L"\\cabarc.exe\" -d " + std::to_wstring(size) + L" N set*.cab " + files;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, folder.c_str(),
                      &startup, &process)) {
    return false;
  }
  WaitForSingleObject(process.hProcess, 60000);
  DWORD code = 1;
  GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hProcess);
  CloseHandle(process.hThread);
  return code == 0;
}

std::string Noise(size_t size, unsigned seed) {
  std::string bytes(size, '\0');
  for (char& c : bytes) {
    seed = seed * 1103515245u + 12345u;
    c = static_cast<char>(seed >> 16);
  }
  return bytes;
}

TEST_F(CabTest, FileSpanningTwoCabinetsOfASet) {
  const std::wstring set = sandbox_->Root() + L"\\set";
  CreateDirectoryW(set.c_str(), nullptr);
  const std::string big = Noise(150000, 7);
  ASSERT_TRUE(WriteFileBytes(set + L"\\big.bin", big));
  ASSERT_TRUE(WriteFileBytes(set + L"\\small.txt", "small"));
  ASSERT_TRUE(MakeCabinetSet(set, L"big.bin small.txt", 100000));
  ASSERT_TRUE(FileExists(set + L"\\set2.cab"));
  ASSERT_TRUE(CCabExtractor::Extract(set + L"\\set1.cab", destination_));
  EXPECT_EQ(ReadFileBytes(destination_ + L"\\big.bin"), big);
  EXPECT_EQ(ReadFileBytes(destination_ + L"\\small.txt"), "small");
  EXPECT_TRUE(Errors().empty());

  DeleteFileW((set + L"\\set2.cab").c_str());
  RemoveTree(destination_);
  EXPECT_FALSE(CCabExtractor::Extract(set + L"\\set1.cab", destination_));
  EXPECT_EQ(Errors(), Strings{"Failed to decompress the set1.cab file"});
}

}  // namespace
