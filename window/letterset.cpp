#include "window/letterset.h"

#include <QChar>
#include <QList>

namespace {

// The bit of an ASCII letter or digit, letter case aside; none for another ASCII character.
TLetterSet Bit(char32_t c) {
  if (c >= 'A' && c <= 'Z') c += 'a' - 'A';
  if (c >= 'a' && c <= 'z') return TLetterSet(1) << (c - 'a');
  if (c >= '0' && c <= '9') return TLetterSet(1) << (26 + c - '0');
  return c < 0x80 ? 0 : BeyondAscii;
}

}  // namespace

TLetterSet LettersOf(QStringView text) {
  TLetterSet letters = 0;
  for (const QChar unit : text) letters |= Bit(unit.unicode());
  return letters;
}

TLetterSet LettersOf(std::string_view bytes) {
  TLetterSet letters = 0;
  for (const char byte : bytes) letters |= Bit(static_cast<unsigned char>(byte));
  return letters;
}

TLetterNeeds::TLetterNeeds(QStringView needle) {
  int characters = 0;
  for (const char32_t c : needle.toUcs4()) {
    ++characters;
    // A needle's character beyond ASCII is looked for folded, as KELVIN SIGN is a "k".
    const TLetterSet bit = Bit(c < 0x80 ? c : QChar::toCaseFolded(c));
    if (bit != BeyondAscii) Needed |= bit;
  }
  Single = characters == 1 && Needed != 0;
}

