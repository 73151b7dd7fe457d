#pragma once

#include <optional>
#include <string>

// The per-user workspace: APPDATA\Corvel\ZeDod and what lies in it. Paths are
// plain concatenations, never normalised.
class Workspace {
 public:
  // Nothing when APPDATA is not set.
  static std::optional<Workspace> FromEnvironment();
  explicit Workspace(std::wstring appData) : appData_(std::move(appData)) {}

  std::wstring CompanyFolder() const { return appData_ + L"\\Corvel"; }
  std::wstring Root() const { return CompanyFolder() + L"\\ZeDod"; }
  std::wstring ResourceFolder() const { return Root() + L"\\" + L"Resource"; }
  std::wstring PayloadCabinet() const { return Root() + L"\\" + L"resource.cab"; }
  std::wstring DbCabinet() const { return Root() + L"\\" + L"db.cab"; }
  std::wstring CollectionCabinet() const { return Root() + L"\\" + L"collection.cab"; }
  // Ends in a backslash.
  std::wstring FontFolder() const { return ResourceFolder() + L"\\" + L"UI\\Fonts" + L"\\"; }
  std::wstring HostPath(bool is64Bit) const {
    return ResourceFolder() + L"\\" + L"Binary" + L"\\" + (is64Bit ? L"64bit" : L"32bit") + L"\\" + L"tarnview.exe";
  }

 private:
  std::wstring appData_;
};
