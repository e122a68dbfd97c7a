#include "tags/textcodec.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace {

constexpr char32_t Replacement = 0xFFFD;

// Code points of the bytes 0x80 to 0x9F; the rest of the code page equals ISO-8859-1.
constexpr std::array<char16_t, 32> High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80-87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 88-8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90-97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 98-9F
};

char32_t Win1252Char(unsigned char byte) {
  return byte >= 0x80 && byte < 0xA0 ? High[byte - 0x80] : char32_t{byte};
}

// The Windows-1252 byte of a character, or -1 when the code page has none.
int Win1252Byte(char32_t c) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return int(c);
  for (std::size_t i = 0; i < High.size(); ++i)
    if (High[i] == c) return int(0x80 + i);
  return -1;
}

bool IsLatin1(char32_t c) { return c <= 0xFF && Win1252Char(static_cast<unsigned char>(c)) == c; }

// Writes the UTF-8 bytes of a character at `out` and returns the position behind them.
char* PutUtf8(char* out, char32_t c) {
  if (c < 0x80) {
    *out++ = char(c);
  } else if (c < 0x800) {
    *out++ = char(0xC0 | (c >> 6));
    *out++ = char(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    *out++ = char(0xE0 | (c >> 12));
    *out++ = char(0x80 | ((c >> 6) & 0x3F));
    *out++ = char(0x80 | (c & 0x3F));
  } else {
    *out++ = char(0xF0 | (c >> 18));
    *out++ = char(0x80 | ((c >> 12) & 0x3F));
    *out++ = char(0x80 | ((c >> 6) & 0x3F));
    *out++ = char(0x80 | (c & 0x3F));
  }
  return out;
}

// Appends UTF-8 of at most `capacity` bytes through a write position, growing `out` once.
template <typename Fn>
void AppendUtf8(std::string& out, std::size_t capacity, Fn fill) {
  const std::size_t at = out.size();
  out.resize(at + capacity);
  char* const begin = out.data() + at;
  out.resize(at + std::size_t(fill(begin) - begin));
}

// A text made by one of the appending conversions.
template <typename Append>
std::string Made(Append append) {
  std::string out;
  append(out);
  return out;
}

// The character at `pos`, moving `pos` past it. A byte that starts no well-formed sequence is
// one U+FFFD.
char32_t NextChar(std::string_view text, std::size_t& pos) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(pos);
  if (lead < 0x80) {
    ++pos;
    return lead;
  }
  std::size_t length = 0;
  char32_t c = 0;
  char32_t least = 0;  // the smallest code point this length may carry (no overlong forms)
  if ((lead & 0xE0) == 0xC0) {
    length = 2, c = lead & 0x1F, least = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    length = 3, c = lead & 0x0F, least = 0x800;
  } else if ((lead & 0xF8) == 0xF0) {
    length = 4, c = lead & 0x07, least = 0x10000;
  } else {
    ++pos;
    return Replacement;
  }
  if (pos + length > text.size()) {
    ++pos;
    return Replacement;
  }
  for (std::size_t i = 1; i < length; ++i) {
    if ((byte(pos + i) & 0xC0) != 0x80) {
      ++pos;
      return Replacement;
    }
    c = (c << 6) | (byte(pos + i) & 0x3F);
  }
  if (c < least || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
    ++pos;
    return Replacement;
  }
  pos += length;
  return c;
}

void AppendUtf16(std::string& out, char16_t unit, TUtf16Order order) {
  const char high = char(unit >> 8), low = char(unit & 0xFF);
  if (order == TUtf16Order::BigEndian) {
    out += high;
    out += low;
  } else {
    out += low;
    out += high;
  }
}

template <typename Fn>
void ForEachChar(std::string_view text, Fn fn) {
  for (std::size_t pos = 0; pos < text.size();) fn(NextChar(text, pos));
}

}  // namespace

bool IsAscii(std::string_view bytes) {
  // No early exit: the loop vectorises, and texts are short.
  unsigned char any = 0;
  for (const char b : bytes) any |= static_cast<unsigned char>(b);
  return any < 0x80;
}

std::string Win1252ToUtf8(std::string_view bytes) {
  return Made([&](std::string& out) { AppendWin1252AsUtf8(out, bytes); });
}

void AppendWin1252AsUtf8(std::string& out, std::string_view bytes) {
  if (IsAscii(bytes)) {
    out.append(bytes);
    return;
  }
  // Three bytes at most per character.
  AppendUtf8(out, bytes.size() * 3, [&](char* to) {
    for (const char b : bytes) to = PutUtf8(to, Win1252Char(static_cast<unsigned char>(b)));
    return to;
  });
}

std::string Utf8ToWin1252(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  ForEachChar(text, [&](char32_t c) {
    const int b = Win1252Byte(c);
    out += b < 0 ? '?' : char(b);
  });
  return out;
}

bool FitsWin1252(std::string_view text) {
  bool fits = true;
  ForEachChar(text, [&](char32_t c) { fits = fits && Win1252Byte(c) >= 0; });
  return fits;
}

bool FitsLatin1(std::string_view text) {
  bool fits = true;
  ForEachChar(text, [&](char32_t c) { fits = fits && IsLatin1(c); });
  return fits;
}

std::string Utf8ToLatin1(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  ForEachChar(text, [&](char32_t c) { out += IsLatin1(c) ? char(c) : '?'; });
  return out;
}

std::string Utf16ToUtf8(std::string_view bytes, TUtf16Order order) {
  return Made([&](std::string& out) { AppendUtf16AsUtf8(out, bytes, order); });
}

void AppendUtf16AsUtf8(std::string& text, std::string_view bytes, TUtf16Order order) {
  const std::size_t units = bytes.size() / 2;
  const auto unit = [&](std::size_t i) -> char16_t {
    const auto first = static_cast<unsigned char>(bytes[2 * i]);
    const auto second = static_cast<unsigned char>(bytes[2 * i + 1]);
    return order == TUtf16Order::BigEndian ? char16_t(first << 8 | second)
                                           : char16_t(second << 8 | first);
  };
  // A unit takes three bytes at most; a surrogate pair four.
  AppendUtf8(text, units * 3, [&](char* out) {
    for (std::size_t i = 0; i < units; ++i) {
      const char16_t u = unit(i);
      if (u >= 0xD800 && u <= 0xDBFF && i + 1 < units && unit(i + 1) >= 0xDC00 &&
          unit(i + 1) <= 0xDFFF) {
        out = PutUtf8(out, 0x10000 + ((char32_t(u) - 0xD800) << 10) + (unit(i + 1) - 0xDC00));
        ++i;
      } else if (u >= 0xD800 && u <= 0xDFFF) {
        out = PutUtf8(out, Replacement);
      } else {
        out = PutUtf8(out, u);
      }
    }
    return out;
  });
}

std::string Utf8ToUtf16(std::string_view text, TUtf16Order order) {
  std::string out;
  out.reserve(text.size() * 2);
  ForEachChar(text, [&](char32_t c) {
    if (c < 0x10000) {
      AppendUtf16(out, char16_t(c), order);
    } else {
      AppendUtf16(out, char16_t(0xD800 + ((c - 0x10000) >> 10)), order);
      AppendUtf16(out, char16_t(0xDC00 + ((c - 0x10000) & 0x3FF)), order);
    }
  });
  return out;
}

std::string SanitizeUtf8(std::string_view bytes) {
  return Made([&](std::string& out) { AppendSanitizedUtf8(out, bytes); });
}

void AppendSanitizedUtf8(std::string& out, std::string_view bytes) {
  if (IsAscii(bytes)) {
    out.append(bytes);
    return;
  }
  // A byte becomes at most the three bytes of U+FFFD.
  AppendUtf8(out, bytes.size() * 3, [&](char* to) {
    ForEachChar(bytes, [&](char32_t c) { to = PutUtf8(to, c); });
    return to;
  });
}

std::size_t CharacterCount(std::string_view text) {
  std::size_t count = 0;
  ForEachChar(text, [&](char32_t) { ++count; });
  return count;
}

std::string_view CutToCharacters(std::string_view text, std::size_t count) {
  // Every character takes at least one byte; most texts are far shorter than their limit.
  if (text.size() <= count) return text;
  std::size_t pos = 0;
  for (std::size_t n = 0; n < count && pos < text.size(); ++n) NextChar(text, pos);
  return text.substr(0, pos);
}
