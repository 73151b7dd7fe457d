// Sample browser host. It stands in for the real host that the launcher
// starts: a small window that shows the interface title in "Open Sans".
// Environment variables switch it into a report mode for tests (README.md).
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

std::wstring Env(const wchar_t* name) {
  wchar_t buffer[32768];
  const DWORD length = GetEnvironmentVariableW(name, buffer, 32768);
  if (length == 0 || length >= 32768) return std::wstring();
  return std::wstring(buffer, length);
}

std::vector<std::wstring> SplitList(const std::wstring& text) {
  std::vector<std::wstring> items;
  size_t start = 0;
  while (start <= text.size()) {
    const size_t end = text.find(L';', start);
    const std::wstring item = text.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start);
    if (!item.empty()) items.push_back(item);
    if (end == std::wstring::npos) break;
    start = end + 1;
  }
  return items;
}

std::string ToUtf8(const std::wstring& text) {
  if (text.empty()) return std::string();
  const int size =
      WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size, nullptr, nullptr);
  return out;
}

std::wstring ModulePath() {
  wchar_t path[32768];
  const DWORD length = GetModuleFileNameW(nullptr, path, 32768);
  return std::wstring(path, length);
}

std::wstring ModuleFolder() {
  std::wstring path = ModulePath();
  return path.substr(0, path.find_last_of(L'\\'));
}

bool WriteBytes(const std::wstring& path, const std::string& bytes, DWORD attributes) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, attributes, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(file);
  return written == bytes.size();
}

std::pair<std::wstring, std::wstring> SplitPair(const std::wstring& text) {
  const size_t bar = text.find(L'|');
  if (bar == std::wstring::npos) return {text, std::wstring()};
  return {text.substr(0, bar), text.substr(bar + 1)};
}

int RunReportMode() {
  const std::wstring report = Env(L"TARNVIEW_REPORT");
  if (!report.empty()) {
    wchar_t cwd[32768];
    const DWORD cwdLength = GetCurrentDirectoryW(32768, cwd);
    std::wstring text = L"module=" + ModulePath() + L"\n";
    text += L"cmdline=" + std::wstring(GetCommandLineW()) + L"\n";
    text += L"cwd=" + std::wstring(cwd, cwdLength) + L"\n";
    text += sizeof(void*) == 8 ? L"bits=64\n" : L"bits=32\n";
    WriteBytes(report, ToUtf8(text), FILE_ATTRIBUTE_NORMAL);
  }
  for (const std::wstring& path : SplitList(Env(L"TARNVIEW_WRITE"))) {
    WriteBytes(path, "written by tarnview\r\n", FILE_ATTRIBUTE_NORMAL);
  }
  for (const std::wstring& path : SplitList(Env(L"TARNVIEW_READONLY"))) {
    WriteBytes(path, "read-only file of tarnview\r\n", FILE_ATTRIBUTE_READONLY);
  }
  for (const std::wstring& pair : SplitList(Env(L"TARNVIEW_COPY"))) {
    const auto [from, to] = SplitPair(pair);
    CopyFileW(from.c_str(), to.c_str(), FALSE);
  }
  for (const std::wstring& pair : SplitList(Env(L"TARNVIEW_LINK"))) {
    const auto [link, target] = SplitPair(pair);
    using CreateLinkFn = BOOLEAN(WINAPI*)(LPCWSTR, LPCWSTR, DWORD);
    auto createLink = reinterpret_cast<CreateLinkFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32"), "CreateSymbolicLinkW")));
    if (createLink != nullptr) createLink(link.c_str(), target.c_str(), SYMBOLIC_LINK_FLAG_DIRECTORY);
  }
  const std::wstring sleepMs = Env(L"TARNVIEW_SLEEP_MS");
  if (!sleepMs.empty()) Sleep(static_cast<DWORD>(_wtoi(sleepMs.c_str())));
  if (Env(L"TARNVIEW_CRASH") == L"1") {
    volatile int* nowhere = nullptr;
    *nowhere = 1;
  }
  return _wtoi(Env(L"TARNVIEW_EXIT_CODE").c_str());
}

// ---- window mode ----

struct Screen {
  std::wstring title = L"Tolvane";
  std::wstring detail;
  HFONT titleFont = nullptr;
  HFONT textFont = nullptr;
};

Screen g_screen;

std::wstring ReadUtf8File(const std::wstring& path) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return std::wstring();
  std::string bytes(65536, '\0');
  DWORD read = 0;
  ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
  CloseHandle(file);
  bytes.resize(read);
  const int size = MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
  std::wstring text(static_cast<size_t>(size), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), text.data(), size);
  return text;
}

// Reads "key": "value" from the flat locale table.
std::wstring JsonValue(const std::wstring& json, const std::wstring& key) {
  const size_t at = json.find(L"\"" + key + L"\"");
  if (at == std::wstring::npos) return std::wstring();
  const size_t open = json.find(L'"', json.find(L':', at) + 1);
  const size_t close = json.find(L'"', open + 1);
  if (open == std::wstring::npos || close == std::wstring::npos) return std::wstring();
  return json.substr(open + 1, close - open - 1);
}

int CALLBACK NoteFamily(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
  *reinterpret_cast<bool*>(found) = true;
  return 0;
}

bool FamilyVisible(const wchar_t* family) {
  HDC dc = CreateCompatibleDC(nullptr);
  LOGFONTW font{};
  font.lfCharSet = DEFAULT_CHARSET;
  lstrcpynW(font.lfFaceName, family, LF_FACESIZE);
  bool found = false;
  EnumFontFamiliesExW(dc, &font, &NoteFamily, reinterpret_cast<LPARAM>(&found), 0);
  DeleteDC(dc);
  return found;
}

// On Windows the launcher's registration reaches this process; Wine shows a
// registration to the registering process only, so the host then takes the
// faces from its own tree.
void MakeInterfaceFontAvailable(const std::wstring& uiFolder) {
  if (FamilyVisible(L"Open Sans")) return;
  WIN32_FIND_DATAW entry;
  HANDLE find = FindFirstFileW((uiFolder + L"\\Fonts\\*.ttf").c_str(), &entry);
  if (find == INVALID_HANDLE_VALUE) return;
  do {
    AddFontResourceExW((uiFolder + L"\\Fonts\\" + entry.cFileName).c_str(), FR_PRIVATE, nullptr);
  } while (FindNextFileW(find, &entry));
  FindClose(find);
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT: {
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(window, &paint);
      RECT area;
      GetClientRect(window, &area);
      HBRUSH background = CreateSolidBrush(RGB(0x20, 0x70, 0xB0));
      FillRect(dc, &area, background);
      DeleteObject(background);
      SetBkMode(dc, TRANSPARENT);
      SetTextColor(dc, RGB(0xFF, 0xFF, 0xFF));
      HGDIOBJ previous = SelectObject(dc, g_screen.titleFont);
      RECT titleArea = {24, 24, area.right - 24, 110};
      DrawTextW(dc, g_screen.title.c_str(), -1, &titleArea, DT_LEFT | DT_SINGLELINE | DT_VCENTER);
      SelectObject(dc, g_screen.textFont);
      RECT detailArea = {24, 120, area.right - 24, area.bottom - 16};
      DrawTextW(dc, g_screen.detail.c_str(), -1, &detailArea, DT_LEFT | DT_WORDBREAK);
      SelectObject(dc, previous);
      EndPaint(window, &paint);
      return 0;
    }
    case WM_TIMER:
      DestroyWindow(window);
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcW(window, message, wParam, lParam);
  }
}

int RunWindowMode(HINSTANCE instance) {
  // The executable sits in Resource\Binary\<bits>\, the interface in Resource\UI.
  std::wstring resource = ModuleFolder();
  resource = resource.substr(0, resource.find_last_of(L'\\'));
  resource = resource.substr(0, resource.find_last_of(L'\\'));
  const std::wstring ui = resource + L"\\UI";
  const std::wstring locale = ReadUtf8File(ui + L"\\Locale\\AppResource.en-US.json");
  const std::wstring title = JsonValue(locale, L"AppTitle");
  if (!title.empty()) g_screen.title = title;
  g_screen.detail = JsonValue(locale, L"AppSubtitle") + L"\nInterface: " + ui + L"\\Html\\en-US\\index.html";
  MakeInterfaceFontAvailable(ui);
  g_screen.titleFont = CreateFontW(-40, 0, 0, 0, FW_SEMIBOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                                   CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, DEFAULT_PITCH, L"Open Sans");
  g_screen.textFont = CreateFontW(-16, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                                  CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, DEFAULT_PITCH, L"Open Sans");

  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = &WindowProc;
  windowClass.hInstance = instance;
  windowClass.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));
  windowClass.lpszClassName = L"TarnviewWindow";
  RegisterClassW(&windowClass);
  HWND window = CreateWindowExW(0, windowClass.lpszClassName, g_screen.title.c_str(),
                                WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, 40, 40, 640, 300, nullptr,
                                nullptr, instance, nullptr);
  if (window == nullptr) return 1;
  ShowWindow(window, SW_SHOWNORMAL);
  UpdateWindow(window);
  const std::wstring demoMs = Env(L"TARNVIEW_DEMO_MS");
  if (!demoMs.empty()) SetTimer(window, 1, static_cast<UINT>(_wtoi(demoMs.c_str())), nullptr);
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  DeleteObject(g_screen.titleFont);
  DeleteObject(g_screen.textFont);
  return 0;
}

bool ReportModeRequested() {
  for (const wchar_t* name : {L"TARNVIEW_REPORT", L"TARNVIEW_WRITE", L"TARNVIEW_READONLY", L"TARNVIEW_COPY",
                              L"TARNVIEW_LINK", L"TARNVIEW_SLEEP_MS", L"TARNVIEW_CRASH", L"TARNVIEW_EXIT_CODE"}) {
    if (!Env(name).empty()) return true;
  }
  return false;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  return ReportModeRequested() ? RunReportMode() : RunWindowMode(instance);
}
