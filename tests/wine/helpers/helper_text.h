// Small text helpers shared by the two test programs that run under Wine.
#pragma once

#include <windows.h>

#include <cstdio>
#include <string>
#include <string_view>

#include "text/wtf8.h"

namespace wrenpost::wine_test {

inline std::wstring Wide(std::string_view text) {
  const std::u16string wide = Wtf8ToUtf16(text);
  return std::wstring(wide.begin(), wide.end());
}

inline std::string Utf8(std::wstring_view text) {
  return Utf16ToWtf8(std::u16string(text.begin(), text.end()));
}

// A text on one line of a record: quotes, backslashes and control characters
// escaped, lone surrogates as \uXXXX, everything else in UTF-8.
inline std::string Escape(std::wstring_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const wchar_t c = text[i];
    const bool high = c >= 0xD800 && c <= 0xDBFF;
    const bool low = c >= 0xDC00 && c <= 0xDFFF;
    if (high && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      out += Utf8(text.substr(i, 2));
      ++i;
    } else if (high || low) {
      char code[8];
      std::snprintf(code, sizeof code, "\\u%04X", static_cast<unsigned>(c));
      out += code;
    } else if (c == L'\\') {
      out += "\\\\";
    } else if (c == L'"') {
      out += "\\\"";
    } else if (c == L'\r') {
      out += "\\r";
    } else if (c == L'\n') {
      out += "\\n";
    } else if (c < 0x20) {
      char code[8];
      std::snprintf(code, sizeof code, "\\x%02X", static_cast<unsigned>(c));
      out += code;
    } else {
      out += Utf8(text.substr(i, 1));
    }
  }
  return out;
}

// The folder of the running executable, with a trailing backslash.
inline std::wstring OwnFolder() {
  wchar_t path[MAX_PATH * 4];
  const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH * 4);
  std::wstring folder(path, length);
  return folder.substr(0, folder.rfind(L'\\') + 1);
}

// Several servers may record at once, and Wine does not make appends atomic
// between processes: each line is written while no other writer has the file
// (waiting up to 5 s for it).
inline void AppendUtf8Line(const std::wstring& file, const std::string& line) {
  const DWORD started = GetTickCount();
  HANDLE handle = INVALID_HANDLE_VALUE;
  for (;;) {
    handle = CreateFileW(file.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle != INVALID_HANDLE_VALUE) break;
    if (GetLastError() != ERROR_SHARING_VIOLATION || GetTickCount() - started > 5000) return;
    Sleep(1);
  }
  const std::string data = line + "\n";
  DWORD written = 0;
  WriteFile(handle, data.data(), static_cast<DWORD>(data.size()), &written, nullptr);
  CloseHandle(handle);
}

inline std::string ReadWholeFile(const std::wstring& file) {
  const HANDLE handle = CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return {};
  std::string data;
  char chunk[4096];
  DWORD got = 0;
  while (ReadFile(handle, chunk, sizeof chunk, &got, nullptr) && got > 0) data.append(chunk, got);
  CloseHandle(handle);
  return data;
}

}  // namespace wrenpost::wine_test
