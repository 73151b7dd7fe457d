#include "launcher_fixture.h"

#include <vector>

std::wstring LauncherExe() { return DistFolder() + L"\\x64\\SelfExtractor.exe"; }

std::wstring LauncherWithPayload(const std::wstring& folder, const std::string& cabinet) {
  CreateDirectoryW(folder.c_str(), nullptr);
  const std::wstring exe = folder + L"\\SelfExtractor.exe";
  if (!CopyFileW(LauncherExe().c_str(), exe.c_str(), FALSE)) return std::wstring();
  HANDLE update = BeginUpdateResourceW(exe.c_str(), FALSE);
  if (update == nullptr) return std::wstring();
  const BOOL replaced =
      UpdateResourceW(update, MAKEINTRESOURCEW(10), MAKEINTRESOURCEW(110), MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US),
                      const_cast<char*>(cabinet.data()), static_cast<DWORD>(cabinet.size()));
  if (!EndUpdateResourceW(update, !replaced) || !replaced) return std::wstring();
  return exe;
}

std::map<std::string, std::string> ReadHostReport(const std::wstring& path) {
  std::map<std::string, std::string> report;
  const std::string text = ReadFileBytes(path);
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    const std::string line = text.substr(start, end - start);
    const size_t equals = line.find('=');
    if (equals != std::string::npos) report[line.substr(0, equals)] = line.substr(equals + 1);
    start = end + 1;
  }
  return report;
}

HWND WaitForWindow(const wchar_t* windowClass, const wchar_t* title, DWORD timeoutMs) {
  const ULONGLONG deadline = GetTickCount64() + timeoutMs;
  while (GetTickCount64() < deadline) {
    if (HWND window = FindWindowW(windowClass, title)) return window;
    Sleep(50);
  }
  return nullptr;
}

bool SaveWindowBitmap(HWND window, const std::wstring& path) {
  RECT area;
  if (!GetWindowRect(window, &area)) return false;
  const int width = area.right - area.left;
  const int height = area.bottom - area.top;
  if (width <= 0 || height <= 0) return false;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ previous = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, width, height, screen, area.left, area.top, SRCCOPY);
  GdiFlush();
  const DWORD stride = ((static_cast<DWORD>(width) * 3 + 3) / 4) * 4;
  const DWORD pixelBytes = stride * static_cast<DWORD>(height);
  BITMAPFILEHEADER file{};
  file.bfType = 0x4D42;
  file.bfOffBits = sizeof file + sizeof info.bmiHeader;
  file.bfSize = file.bfOffBits + pixelBytes;
  std::string bytes(reinterpret_cast<const char*>(&file), sizeof file);
  bytes.append(reinterpret_cast<const char*>(&info.bmiHeader), sizeof info.bmiHeader);
  bytes.append(static_cast<const char*>(bits), pixelBytes);
  SelectObject(memory, previous);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return WriteFileBytes(path, bytes);
}
