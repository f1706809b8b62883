#include "platform/windows/win_registry.h"

#include <windows.h>

#include <cwchar>
#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

#include "platform/windows/win_owners.h"
#include "platform/windows/win_text.h"

namespace wrenpost {
namespace {

constexpr const wchar_t* kClientsKey = L"Software\\Clients\\Mail";

// A string value (REG_EXPAND_SZ expanded) of `subkey` below `key`; `value`
// null for the key's default value.
std::optional<std::string> ReadString(HKEY key, const std::wstring& subkey, const wchar_t* value) {
  DWORD bytes = 0;
  LSTATUS status = RegGetValueW(key, subkey.c_str(), value, RRF_RT_REG_SZ, nullptr, nullptr, &bytes);
  std::wstring text;
  while (status == ERROR_SUCCESS || status == ERROR_MORE_DATA) {
    text.resize(bytes / sizeof(wchar_t) + 1);
    bytes = static_cast<DWORD>(text.size() * sizeof(wchar_t));
    status = RegGetValueW(key, subkey.c_str(), value, RRF_RT_REG_SZ, nullptr, text.data(), &bytes);
    if (status == ERROR_SUCCESS) {
      text.resize(wcsnlen(text.c_str(), text.size()));
      return Narrow(text);
    }
  }
  return std::nullopt;
}

std::string ReadFirst(std::initializer_list<HKEY> roots, const std::wstring& subkey, const wchar_t* value) {
  for (const HKEY root : roots) {
    if (auto text = ReadString(root, subkey, value); text && !text->empty()) return *text;
  }
  return {};
}

// The width of the library at `path` by its PE header; 0 when it cannot be read.
int LibraryWidth(const std::string& path) {
  if (path.empty()) return 0;
  const UniqueHandle file(CreateFileW(Widen(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) return 0;
  char header[4096];
  DWORD got = 0;
  if (!ReadFile(file.get(), header, sizeof header, &got, nullptr)) return 0;
  return PeWidth(std::string_view(header, got));
}

void AddClients(HKEY root, std::vector<RegisteredMailClient>& clients) {
  UniqueRegistryKey mail;
  if (RegOpenKeyExW(root, kClientsKey, 0, KEY_READ, mail.out()) != ERROR_SUCCESS) return;
  for (DWORD index = 0;; ++index) {
    wchar_t name[256];  // the longest name of a registry key, and its NUL
    DWORD length = 256;
    const LSTATUS status = RegEnumKeyExW(mail.get(), index, name, &length, nullptr, nullptr, nullptr, nullptr);
    if (status == ERROR_MORE_DATA) continue;
    if (status != ERROR_SUCCESS) return;
    const std::wstring key(name, length);
    RegisteredMailClient client{Narrow(key), ReadString(mail.get(), key, L"DLLPath").value_or(""), {}};
    if (client.dll_path.empty()) client.dll_path = ReadString(mail.get(), key, L"DLLPathEx").value_or("");
    client.open_command = ReadString(mail.get(), key + L"\\shell\\open\\command", nullptr).value_or("");
    client.dll_bits = LibraryWidth(client.dll_path);
    clients.push_back(std::move(client));
  }
}

}  // namespace

MailRegistry ReadMailRegistry() {
  MailRegistry registry;
  registry.process_bits = static_cast<int>(sizeof(void*) * 8);
  registry.default_client = ReadFirst({HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}, kClientsKey, nullptr);
  AddClients(HKEY_CURRENT_USER, registry.clients);
  AddClients(HKEY_LOCAL_MACHINE, registry.clients);
  registry.mailto_prog_id = ReadFirst(
      {HKEY_CURRENT_USER}, L"Software\\Microsoft\\Windows\\Shell\\Associations\\UrlAssociations\\mailto\\UserChoice",
      L"ProgId");
  const std::wstring classes_key =
      L"Software\\Classes\\" + (registry.mailto_prog_id.empty() ? L"mailto" : Widen(registry.mailto_prog_id));
  registry.mailto_command =
      ReadFirst({HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}, classes_key + L"\\shell\\open\\command", nullptr);
  return registry;
}

}  // namespace wrenpost
