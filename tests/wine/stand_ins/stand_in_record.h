// What the stand-in clients share: the folder they record in (their own,
// C:\wrenpost-tools) and the record's lines.
#pragma once

#include <windows.h>

#include <string>

#include "helpers/helper_text.h"

namespace wrenpost::wine_test {

// The folder of the module (executable or DLL) that holds `address`, with a
// trailing backslash.
inline std::wstring FolderOf(const void* address) {
  HMODULE module = nullptr;
  GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     static_cast<LPCWSTR>(address), &module);
  wchar_t path[MAX_PATH * 4];
  const DWORD length = GetModuleFileNameW(module, path, MAX_PATH * 4);
  const std::wstring whole(path, length);
  return whole.substr(0, whole.rfind(L'\\') + 1);
}

// A text of the record in quotes, or null.
inline std::string Quoted(const wchar_t* text) {
  return text == nullptr ? "null" : "\"" + Escape(text) + "\"";
}

}  // namespace wrenpost::wine_test
