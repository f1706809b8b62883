// The body file's decoding and line joining against a deliberately simple
// model: decode the whole file first (UTF-16 LE or BE after FF FE or FE FF,
// UTF-8 after its byte-order mark or when well-formed, else Windows-1250; the
// UTF-16 and Windows-1250 through iconv), then read it line by line as a text
// file is read (CR LF or CR ends a line, a lone LF does not) and run the lines
// together.
#include <iconv.h>

#include <array>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <string>

#include "fuzz/fuzz_check.h"
#include "launcher/body_file.h"
#include "platform/posix/posix_file_system.h"
#include "text/utf8.h"

namespace wrenpost::fuzz {
namespace {

void PutUtf8(std::uint32_t c, std::string& out) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

// Length of the well-formed sequence at `at`, or 0: decodes the code point and
// rejects what Unicode forbids, instead of checking byte ranges.
std::size_t ModelSequence(const std::string& bytes, std::size_t at) {
  const auto byte = [&](std::size_t i) { return static_cast<std::uint8_t>(bytes[at + i]); };
  const std::uint8_t lead = byte(0);
  std::size_t length;
  std::uint32_t code;
  std::uint32_t smallest;
  if (lead < 0x80) return 1;
  if ((lead & 0xE0) == 0xC0) {
    length = 2, code = lead & 0x1F, smallest = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    length = 3, code = lead & 0x0F, smallest = 0x800;
  } else if ((lead & 0xF8) == 0xF0) {
    length = 4, code = lead & 0x07, smallest = 0x10000;
  } else {
    return 0;
  }
  if (at + length > bytes.size()) return 0;
  for (std::size_t i = 1; i < length; ++i) {
    if ((byte(i) & 0xC0) != 0x80) return 0;
    code = (code << 6) | (byte(i) & 0x3F);
  }
  if (code < smallest || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
  return length;
}

bool ModelValidUtf8(const std::string& bytes) {
  for (std::size_t at = 0; at < bytes.size();) {
    const std::size_t length = ModelSequence(bytes, at);
    if (length == 0) return false;
    at += length;
  }
  return true;
}

// Each byte that does not start a well-formed sequence becomes one U+FFFD.
std::string ModelRepair(const std::string& bytes) {
  std::string out;
  for (std::size_t at = 0; at < bytes.size();) {
    const std::size_t length = ModelSequence(bytes, at);
    if (length == 0) {
      PutUtf8(0xFFFD, out);
      ++at;
    } else {
      out += bytes.substr(at, length);
      at += length;
    }
  }
  return out;
}

// Windows-1250 as the C library knows it; the five bytes it leaves undefined
// become the C1 control of the same value.
const std::array<std::string, 256>& Cp1250Table() {
  static const std::array<std::string, 256> table = [] {
    std::array<std::string, 256> result;
    const iconv_t converter = ::iconv_open("UTF-8", "CP1250");
    for (int i = 0; i < 256; ++i) {
      char in[1] = {static_cast<char>(i)};
      char out[8] = {};
      char* in_at = in;
      char* out_at = out;
      std::size_t in_left = 1, out_left = sizeof out;
      const bool converted =
          converter != reinterpret_cast<iconv_t>(-1) &&
          ::iconv(converter, &in_at, &in_left, &out_at, &out_left) != static_cast<std::size_t>(-1);
      if (converted) {
        result[i].assign(out, out_at);
      } else {
        PutUtf8(static_cast<std::uint32_t>(i), result[i]);
      }
    }
    if (converter != reinterpret_cast<iconv_t>(-1)) ::iconv_close(converter);
    return result;
  }();
  return table;
}

std::string ModelCp1250(const std::string& bytes) {
  std::string out;
  for (const char c : bytes) out += Cp1250Table()[static_cast<std::uint8_t>(c)];
  return out;
}

// UTF-16 as the C library reads it. iconv stops at a 16-bit unit that is no
// character: a surrogate without its partner (EILSEQ) or, at the end, a lead
// surrogate or a single byte with nothing after it (EINVAL). Each unit it
// stops at, and an odd last byte, becomes one U+FFFD; decoding goes on after it.
std::string ModelUtf16(std::string bytes, const char* encoding) {
  const iconv_t converter = ::iconv_open("UTF-8", encoding);
  if (converter == reinterpret_cast<iconv_t>(-1)) {
    PropertyFailed(__FILE__, __LINE__, std::string("no iconv for ") + encoding);
    return {};
  }
  // Two input bytes give at most three output bytes, U+FFFD included.
  std::string text(2 * bytes.size() + 4, '\0');
  char* in = bytes.data();
  char* out = text.data();
  std::size_t in_left = bytes.size(), out_left = text.size();
  while (in_left > 0 &&
         ::iconv(converter, &in, &in_left, &out, &out_left) == static_cast<std::size_t>(-1)) {
    FUZZ_CHECK(errno == EILSEQ || errno == EINVAL, "iconv: " + std::string(std::strerror(errno)));
    const std::size_t unit = in_left < 2 ? in_left : 2;
    std::memcpy(out, "\xEF\xBF\xBD", 3);
    out += 3;
    out_left -= 3;
    in += unit;
    in_left -= unit;
  }
  ::iconv_close(converter);
  text.resize(text.size() - out_left);
  return text;
}

std::string ModelText(std::string bytes) {
  if (bytes.starts_with("\xFF\xFE")) return ModelUtf16(bytes.substr(2), "UTF-16LE");
  if (bytes.starts_with("\xFE\xFF")) return ModelUtf16(bytes.substr(2), "UTF-16BE");
  const bool marked = bytes.starts_with("\xEF\xBB\xBF");
  if (marked) bytes.erase(0, 3);
  return ModelValidUtf8(bytes) ? bytes : marked ? ModelRepair(bytes) : ModelCp1250(bytes);
}

std::string ModelReadBody(const std::string& bytes) {
  const std::string text = ModelText(bytes);
  std::string body;
  std::string line;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r') {
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
      body += line;
      line.clear();
    } else {
      line += text[i];
    }
  }
  return body + line;
}

}  // namespace

int FuzzBodyDecoding(const std::uint8_t* data, std::size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  FUZZ_CHECK(IsValidUtf8(bytes) == ModelValidUtf8(bytes), "IsValidUtf8 of " + Shown(bytes));

  PosixFileSystem files;
  const std::string body = DecodeBodyText(bytes, files);
  const std::string expected = ModelReadBody(bytes);
  FUZZ_CHECK(body == expected,
             "body of " + Shown(bytes) + " is " + Shown(body) + ", expected " + Shown(expected));
  FUZZ_CHECK(ModelValidUtf8(body), "the body is no UTF-8: " + Shown(body));
  FUZZ_CHECK(body.find('\r') == std::string::npos, "a CR reached the body: " + Shown(body));
  return 0;
}

}  // namespace wrenpost::fuzz
