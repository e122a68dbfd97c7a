#include "window/naturalorder.h"

#include <QChar>

namespace {

// Stands for a byte that is no part of a UTF-8 character: beyond every character.
constexpr char32_t StrayByte = 0x110000;

bool IsDigit(char32_t c) { return c >= '0' && c <= '9'; }

char32_t Folded(char32_t c) {
  if (c < 0x80) return c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c;
  return c < StrayByte ? QChar::toCaseFolded(c) : c;
}

// Reads the characters of a UTF-8 text one by one.
class TUtf8Reader {
 public:
  explicit TUtf8Reader(std::string_view text) : Text(text) {}
  bool AtEnd() const { return Pos == Text.size(); }
  bool AtDigit() const { return IsDigit(static_cast<unsigned char>(Text[Pos])); }

  char32_t Next() {
    const auto byte = [this](std::size_t at) { return static_cast<unsigned char>(Text[at]); };
    const unsigned char lead = byte(Pos);
    std::size_t length = 0;
    char32_t c = 0, least = 0;
    if (lead < 0x80) {
      ++Pos;
      return lead;
    }
    if (lead >= 0xC2 && lead <= 0xDF) {
      length = 2, c = lead & 0x1F, least = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      length = 3, c = lead & 0x0F, least = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      length = 4, c = lead & 0x07, least = 0x10000;
    }
    bool valid = length > 0 && Pos + length <= Text.size();
    for (std::size_t i = 1; valid && i < length; ++i) {
      valid = (byte(Pos + i) & 0xC0) == 0x80;
      c = (c << 6) | (byte(Pos + i) & 0x3F);
    }
    // Overlong forms and surrogates are no characters: each of their bytes stands alone, so
    // different bytes never read as the same character.
    if (!valid || c < least || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
      ++Pos;
      return StrayByte + lead;
    }
    Pos += length;
    return c;
  }

 private:
  std::string_view Text;
  std::size_t Pos = 0;
};

// Reads the characters of a UTF-16 text one by one; a lone surrogate is a character of its own.
class TUtf16Reader {
 public:
  explicit TUtf16Reader(QStringView text) : Text(text) {}
  bool AtEnd() const { return Pos == Text.size(); }
  bool AtDigit() const { return IsDigit(Text[Pos].unicode()); }

  char32_t Next() {
    const QChar unit = Text[Pos++];
    if (unit.isHighSurrogate() && Pos < Text.size() && Text[Pos].isLowSurrogate())
      return QChar::surrogateToUcs4(unit, Text[Pos++]);
    return unit.unicode();
  }

 private:
  QStringView Text;
  qsizetype Pos = 0;
};

int Sign(bool less) { return less ? -1 : 1; }

// Compares the runs of digits both readers stand at by their numbers; when the numbers are
// equal, `tie` takes the first difference of leading zeros unless it holds an earlier one.
template <class TReader>
int CompareNumbers(TReader& a, TReader& b, int& tie) {
  int zerosA = 0, zerosB = 0;
  char32_t digitA = 0, digitB = 0;
  auto skipZeros = [](TReader& r, int& zeros, char32_t& digit) {
    while (!r.AtEnd() && r.AtDigit() && (digit = r.Next()) == '0') ++zeros;
    if (digit == '0') digit = 0;  // the run was all zeros
  };
  skipZeros(a, zerosA, digitA);
  skipZeros(b, zerosB, digitB);
  // The first significant digits are read; now the lengths of the numbers decide, then their
  // first different digit.
  int firstDifference = 0;
  while (digitA && digitB) {
    if (!firstDifference && digitA != digitB) firstDifference = Sign(digitA < digitB);
    digitA = !a.AtEnd() && a.AtDigit() ? a.Next() : 0;
    digitB = !b.AtEnd() && b.AtDigit() ? b.Next() : 0;
  }
  if (digitA || digitB) return digitA ? 1 : -1;  // a longer number is a larger one
  if (firstDifference) return firstDifference;
  if (!tie && zerosA != zerosB) tie = Sign(zerosA < zerosB);
  return 0;
}

template <class TReader>
int Compare(TReader a, TReader b) {
  int tie = 0;  // the first difference that letter case or leading zeros make
  while (!a.AtEnd() && !b.AtEnd()) {
    if (a.AtDigit() && b.AtDigit()) {
      if (const int order = CompareNumbers(a, b, tie)) return order;
      continue;
    }
    const char32_t charA = a.Next(), charB = b.Next();
    if (charA == charB) continue;
    const char32_t foldedA = Folded(charA), foldedB = Folded(charB);
    if (foldedA != foldedB) return Sign(foldedA < foldedB);
    if (!tie) tie = Sign(charA < charB);
  }
  if (!a.AtEnd() || !b.AtEnd()) return a.AtEnd() ? -1 : 1;  // a name before its longer names
  return tie;
}

// UTF-8 keeps the order of code points; lone surrogates are encoded as any other value.
void AppendUtf8(char32_t c, std::string& key) {
  const auto byte = [&key](char32_t b) { key.push_back(static_cast<char>(b)); };
  if (c < 0x80) {
    byte(c);
  } else if (c < 0x800) {
    byte(0xC0 | c >> 6), byte(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    byte(0xE0 | c >> 12), byte(0x80 | (c >> 6 & 0x3F)), byte(0x80 | (c & 0x3F));
  } else {
    byte(0xF0 | c >> 18), byte(0x80 | (c >> 12 & 0x3F)), byte(0x80 | (c >> 6 & 0x3F));
    byte(0x80 | (c & 0x3F));
  }
}

// A count in one byte below 255, else 255 and four bytes, most significant first: the order of
// the counts.
void AppendCount(qsizetype count, std::string& key) {
  if (count < 0xFF) {
    key.push_back(static_cast<char>(count));
    return;
  }
  key.push_back(static_cast<char>(0xFF));
  for (int shift = 24; shift >= 0; shift -= 8) key.push_back(static_cast<char>(count >> shift));
}

// In the first part of a key, a run of digits sorts as a digit does against other characters:
// after those below '0' and before those above '9'. Those below come first as their code point
// plus one, leaving 0 to end the part, so that a text comes before its longer texts.
constexpr char NumberMark = 0x31;

}  // namespace

void AppendNaturalKey(QStringView text, std::string& key) {
  // What tells apart texts equal but for case and leading zeros, token by token: each
  // character's own code point, each number's count of leading zeros.
  thread_local std::string tie;
  tie.clear();
  TUtf16Reader reader(text);
  while (!reader.AtEnd()) {
    if (reader.AtDigit()) {
      // The number: how many digits it has without its leading zeros, then those digits.
      qsizetype zeros = 0;
      const std::size_t start = key.size();
      key.push_back(NumberMark);
      key.push_back(0);  // room for a short count
      while (!reader.AtEnd() && reader.AtDigit()) {
        const char32_t digit = reader.Next();
        if (digit == '0' && key.size() == start + 2)
          ++zeros;
        else
          key.push_back(static_cast<char>(digit));
      }
      const auto digits = static_cast<qsizetype>(key.size() - start - 2);
      if (digits < 0xFF) {
        key[start + 1] = static_cast<char>(digits);
      } else {
        std::string count;
        AppendCount(digits, count);
        key.replace(start + 1, 1, count);
      }
      AppendCount(zeros, tie);
      continue;
    }
    const char32_t c = reader.Next();
    const char32_t folded = Folded(c);
    if (folded < '0')
      key.push_back(static_cast<char>(folded + 1));
    else
      AppendUtf8(folded, key);
    AppendUtf8(c, tie);
  }
  key.push_back(0);
  key += tie;
}

// Names of one folder often share a long start ("Artist - Album - "): the same code units that
// are no digits compare equal whatever their case, so the comparison starts after them, at the
// start of the character they end in.

int NaturalCompare(std::string_view a, std::string_view b) {
  std::size_t same = 0;
  while (same < a.size() && same < b.size() && a[same] == b[same] &&
         !IsDigit(static_cast<unsigned char>(a[same])))
    ++same;
  const auto inCharacter = [&same](std::string_view text) {
    return same < text.size() && (static_cast<unsigned char>(text[same]) & 0xC0) == 0x80;
  };
  while (same > 0 && (inCharacter(a) || inCharacter(b))) --same;
  return Compare(TUtf8Reader(a.substr(same)), TUtf8Reader(b.substr(same)));
}

int NaturalCompare(QStringView a, QStringView b) {
  qsizetype same = 0;
  while (same < a.size() && same < b.size() && a[same] == b[same] && !IsDigit(a[same].unicode()))
    ++same;
  const auto inCharacter = [&same](QStringView text) {
    return same < text.size() && text[same].isLowSurrogate();
  };
  if (same > 0 && (inCharacter(a) || inCharacter(b))) --same;
  return Compare(TUtf16Reader(a.sliced(same)), TUtf16Reader(b.sliced(same)));
}
