#include "cab_extractor.h"

#include "cab_callbacks.h"
#include "cab_decoder.h"
#include "cab_text.h"
#include "logger.h"

bool CCabExtractor::Extract(const std::wstring& cabinetPath, const std::wstring& destination) {
  return Extract(cabinetPath, destination, SystemCabDecoder());
}

bool CCabExtractor::Extract(const std::wstring& cabinetPath, const std::wstring& destination, CabDecoder& decoder) {
  if (cabinetPath.empty()) {
    CLogger::Instance()->Write(LogLevel::Error, L"Please pass the proper and existing file name to decompress");
    return false;
  }
  const size_t lastBackslash = cabinetPath.rfind(L'\\');
  if (lastBackslash == std::wstring::npos) return false;
  std::wstring currentCabinet = cabinetPath.substr(lastBackslash + 1);
  const std::wstring cabinetDirectory = cabinetPath.substr(0, lastBackslash + 1);

  // A name left over from an earlier extraction that failed part-way through
  // a set must not be taken for this cabinet's successor.
  PendingNextCabinet().clear();

  bool result = false;
  HFDI context = nullptr;
  try {
    ERF error{};
    context = decoder.Create(CabAlloc, CabFree, CabOpen, CabRead, CabWrite, CabClose, CabSeek, cpuUNKNOWN, &error);
    if (context == nullptr) {
      CLogger::Instance()->Write(LogLevel::Error, L"Failed to create the decompressing context for %s",
                                 currentCabinet.c_str());
    } else {
      while (true) {
        std::string name = ToNarrow(currentCabinet);
        std::string directory = ToNarrow(cabinetDirectory);
        std::string target = ToNarrow(destination);
        result = decoder.Copy(context, name.data(), directory.data(), 0, CabNotify, nullptr, target.data()) == 1;
        if (!result) {
          CLogger::Instance()->Write(LogLevel::Error, L"Failed to decompress the %s file", currentCabinet.c_str());
          break;
        }
        currentCabinet = PendingNextCabinet();
        PendingNextCabinet().clear();
        if (currentCabinet.empty()) break;
      }
    }
  } catch (...) {
    CLogger::Instance()->Write(LogLevel::Error, L"Exception occured while decompressing %s", currentCabinet.c_str());
  }
  if (context != nullptr && decoder.Destroy(context) == 0) {
    CLogger::Instance()->Write(LogLevel::Error, L"Failed to destroy decompression context for %s",
                               currentCabinet.c_str());
  }
  return result;
}
