#include "core/io/windows_paths.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <cerrno>
#include <climits>

namespace orlindel::io {

bool WideFromUtf8(const std::string& text, std::wstring& wide) {
  wide.clear();
  if (text.empty()) return true;
  if (text.size() > INT_MAX) return false;
  const int length = static_cast<int>(text.size());
  const int size = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS,
                                       text.data(), length, nullptr, 0);
  if (size <= 0) return false;
  wide.resize(static_cast<size_t>(size));
  return MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), length,
                             wide.data(), size) == size;
}

std::string Utf8FromWide(const std::wstring& wide) {
  if (wide.empty() || wide.size() > INT_MAX) return {};
  const int length = static_cast<int>(wide.size());
  const int size = WideCharToMultiByte(CP_UTF8, 0, wide.data(), length, nullptr,
                                       0, nullptr, nullptr);
  if (size <= 0) return {};
  std::string text(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), length, text.data(), size,
                      nullptr, nullptr);
  return text;
}

namespace {

// The most UTF-16 units one name in a path may have.
constexpr size_t kMaxNameLength = 255;

bool HasOverlongName(const std::wstring& path) {
  size_t start = 0;
  for (;;) {
    const size_t end = path.find(L'\\', start);
    const size_t length =
        (end == std::wstring::npos ? path.size() : end) - start;
    if (length > kMaxNameLength) return true;
    if (end == std::wstring::npos) return false;
    start = end + 1;
  }
}

}  // namespace

int SystemPath(const std::string& path, std::wstring& system_path) {
  system_path.clear();
  std::wstring wide;
  if (path.empty()) return ENOENT;
  // No file on Windows has a name that is no UTF-8: none is found.
  if (!WideFromUtf8(path, wide)) return ENOENT;
  if (wide.find(L'\0') != std::wstring::npos) return EINVAL;
  // Already in the system's own form: taken as it stands.
  if (wide.rfind(L"\\\\?\\", 0) == 0) {
    system_path = std::move(wide);
    return 0;
  }
  // The full name, its length asked first: it may pass any fixed limit.
  DWORD size = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
  std::wstring full;
  while (size > 0) {
    full.resize(size);
    const DWORD written =
        GetFullPathNameW(wide.c_str(), size, full.data(), nullptr);
    if (written == 0) break;
    if (written < size) {
      full.resize(written);
      break;
    }
    size = written;  // the current folder changed in between: ask again
  }
  if (full.empty())
    return GetLastError() == ERROR_FILENAME_EXCED_RANGE ? ENAMETOOLONG : EINVAL;
  if (HasOverlongName(full)) return ENAMETOOLONG;
  if (full.rfind(L"\\\\.\\", 0) == 0) {
    system_path = std::move(full);  // a device
  } else if (full.rfind(L"\\\\", 0) == 0) {
    system_path = L"\\\\?\\UNC\\" + full.substr(2);
  } else {
    system_path = L"\\\\?\\" + full;
  }
  return 0;
}

}  // namespace orlindel::io
