#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// A fixed-capacity, length-prefixed single-byte string held inside its record: one length byte
// followed by up to N characters, no separate allocation. The table reads and writes these
// buffers in place, so the layout (length byte first, characters right behind it) is fixed.
template <std::size_t N>
struct ShortString {
  static_assert(N >= 1 && N <= 255, "the length byte holds at most 255");
  static constexpr std::size_t Capacity = N;

  std::uint8_t Length = 0;
  char Chars[N] = {};

  ShortString() = default;
  explicit ShortString(std::string_view text) { Assign(text); }

  // Copies the text, cut to the capacity.
  void Assign(std::string_view text) {
    const std::size_t n = std::min(text.size(), N);
    std::copy_n(text.data(), n, Chars);
    Length = static_cast<std::uint8_t>(n);
  }
  ShortString& operator=(std::string_view text) {
    Assign(text);
    return *this;
  }

  std::string_view View() const { return {Chars, Length}; }
  std::string Str() const { return std::string(Chars, Length); }
  bool Empty() const { return Length == 0; }
  void Clear() { Length = 0; }

  // The length byte; the characters follow it directly.
  std::uint8_t* Raw() { return &Length; }
};
