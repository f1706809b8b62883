#include "tests/e2e/compose_decoder.h"

namespace wrenpost::testing {
namespace {

constexpr char kSeparator = '\x01';

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// Whether `bytes` is well-formed UTF-8 (what decodeURIComponent accepts).
bool IsUtf8(std::string_view bytes) {
  for (std::size_t i = 0; i < bytes.size();) {
    const auto lead = static_cast<unsigned char>(bytes[i]);
    std::size_t length = lead < 0x80 ? 1 : (lead >> 5) == 0x6 ? 2 : (lead >> 4) == 0xE ? 3 : (lead >> 3) == 0x1E ? 4 : 0;
    if (length == 0 || i + length > bytes.size()) return false;
    for (std::size_t k = 1; k < length; ++k) {
      if ((static_cast<unsigned char>(bytes[i + k]) & 0xC0) != 0x80) return false;
    }
    i += length;
  }
  return true;
}

}  // namespace

std::string PercentDecode(std::string_view text, bool* ok) {
  std::string out;
  bool fine = true;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') {
      out += text[i];
      continue;
    }
    const int high = i + 2 < text.size() ? HexValue(text[i + 1]) : -1;
    const int low = i + 2 < text.size() ? HexValue(text[i + 2]) : -1;
    if (high < 0 || low < 0) {
      fine = false;
      out += text[i];
      continue;
    }
    out += static_cast<char>(high * 16 + low);
    i += 2;
  }
  if (!IsUtf8(out)) fine = false;
  if (ok != nullptr) *ok = fine;
  return out;
}

std::map<std::string, std::string> DecodeComposeString(std::string_view text) {
  // Mark the commas that separate fields.
  std::string data;
  char quote = 0;
  char previous = 0;
  for (std::size_t i = 0; i < text.size(); previous = text[i], ++i) {
    const char c = text[i];
    const char next = i + 1 < text.size() ? text[i + 1] : 0;
    if (quote != 0 && c == quote && (next == ',' || next == 0)) {
      quote = 0;
      data += c;
    } else if ((c == '\'' || c == '"') && previous == '=') {
      if (quote == 0) quote = c;
      data += c;
    } else if (c == ',') {
      data += quote == 0 ? kSeparator : c;
    } else {
      data += c;
    }
  }

  std::vector<std::string> pairs;
  std::size_t start = 0;
  for (std::size_t at = 0; at <= data.size(); ++at) {
    if (at == data.size() || data[at] == kSeparator) {
      pairs.push_back(data.substr(start, at - start));
      start = at + 1;
    }
  }

  // Last to first, so the first occurrence of a key is the one that stays.
  std::map<std::string, std::string> fields;
  for (auto pair = pairs.rbegin(); pair != pairs.rend(); ++pair) {
    const auto equals = pair->find('=');
    if (equals == std::string::npos) continue;
    const std::string key = pair->substr(0, equals);
    const std::string value = pair->substr(equals + 1);
    if (!value.empty() && value.front() == '\'' && value.back() == '\'') {
      fields[key] = value.size() >= 2 ? value.substr(1, value.size() - 2) : "";
    } else {
      bool ok = false;
      const std::string decoded = PercentDecode(value, &ok);
      fields[key] = ok ? decoded : value;
    }
  }
  return fields;
}

std::vector<std::string> AttachmentPaths(const std::string& attachment_value) {
  std::vector<std::string> paths;
  std::size_t start = 0;
  for (std::size_t at = 0; at <= attachment_value.size(); ++at) {
    if (at != attachment_value.size() && attachment_value[at] != ',') continue;
    const std::string url = attachment_value.substr(start, at - start);
    start = at + 1;
    constexpr std::string_view kScheme = "file://";
    paths.push_back(url.rfind(kScheme, 0) == 0 ? PercentDecode(url.substr(kScheme.size())) : url);
  }
  return paths;
}

}  // namespace wrenpost::testing
