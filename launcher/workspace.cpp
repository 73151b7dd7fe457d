#include "workspace.h"

#include <cstdlib>

std::optional<Workspace> Workspace::FromEnvironment() {
  const wchar_t* appData = _wgetenv(L"APPDATA");
  if (appData == nullptr) return std::nullopt;
  return Workspace(appData);
}
