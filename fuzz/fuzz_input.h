// Cuts a fuzz input into the values a target needs. Every byte string is a
// valid input: a value asked for after the end is empty or zero.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace wrenpost::fuzz {

class ByteReader {
 public:
  ByteReader(const std::uint8_t* data, std::size_t size)
      : rest_(reinterpret_cast<const char*>(data), size) {}

  template <typename Integer>
  Integer TakeInteger() {
    Integer value{};
    const std::size_t n = rest_.size() < sizeof value ? rest_.size() : sizeof value;
    std::memcpy(&value, rest_.data(), n);
    rest_.remove_prefix(n);
    return value;
  }

  bool TakeBool() { return (TakeInteger<std::uint8_t>() & 1) != 0; }

  // A text of at most `max_size` bytes, its length given by the next two bytes.
  std::string TakeText(std::size_t max_size) {
    std::size_t size = TakeInteger<std::uint16_t>() % (max_size + 1);
    if (size > rest_.size()) size = rest_.size();
    std::string text(rest_.substr(0, size));
    rest_.remove_prefix(size);
    return text;
  }

  std::string TakeRest() {
    std::string text(rest_);
    rest_ = {};
    return text;
  }

 private:
  std::string_view rest_;
};

}  // namespace wrenpost::fuzz
