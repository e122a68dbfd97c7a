#include "grid/characterlimit.h"

#include <algorithm>

namespace {

bool IsPairAt(QStringView text, qsizetype i) {
  return i + 1 < text.size() && text[i].isHighSurrogate() && text[i + 1].isLowSurrogate();
}

// The character at `i`, and `i` moved past it.
char32_t NextCharacter(QStringView text, qsizetype& i) {
  if (IsPairAt(text, i)) {
    i += 2;
    return QChar::surrogateToUcs4(text[i - 2], text[i - 1]);
  }
  return text[i++].unicode();
}

}  // namespace

qsizetype CountCharacters(QStringView text) {
  qsizetype count = 0;
  for (qsizetype i = 0; i < text.size(); ++i, ++count)
    if (IsPairAt(text, i)) ++i;
  return count;
}

QStringView LeftCharacters(QStringView text, qsizetype count) {
  qsizetype i = 0;
  for (qsizetype n = 0; n < count && i < text.size(); ++n) i += IsPairAt(text, i) ? 2 : 1;
  return text.left(i);
}

TCharacterLimit::TCharacterLimit(qsizetype maximum, QObject* parent, TCharacterFilter accepts,
                                 QString held)
    : QValidator(parent),
      Maximum(std::max<qsizetype>(maximum, 0)),
      Accepts(std::move(accepts)),
      Held(std::move(held)) {}

bool TCharacterLimit::OnlyAcceptedOrHeld(QStringView text) const {
  qsizetype held = 0;  // how far the held text is matched
  for (qsizetype i = 0; i < text.size();) {
    const char32_t character = NextCharacter(text, i);
    if (Accepts(character)) continue;
    bool found = false;
    while (!found && held < Held.size()) found = NextCharacter(Held, held) == character;
    if (!found) return false;
  }
  return true;
}

QValidator::State TCharacterLimit::validate(QString& input, int& pos) const {
  if (Accepts && !OnlyAcceptedOrHeld(input)) return Invalid;
  qsizetype excess = CountCharacters(input) - Maximum;
  if (excess <= 0) return Acceptable;
  // Characters right before the caret were inserted last: they go first.
  qsizetype start = std::clamp<qsizetype>(pos, 0, input.size());
  const qsizetype end = start;
  for (; excess > 0 && start > 0; --excess) {
    --start;
    if (start > 0 && input[start].isLowSurrogate() && input[start - 1].isHighSurrogate()) --start;
  }
  input.remove(start, end - start);
  pos = static_cast<int>(start);
  if (excess > 0) fixup(input);
  pos = std::min(pos, static_cast<int>(input.size()));
  return Acceptable;
}

void TCharacterLimit::fixup(QString& input) const {
  input.truncate(LeftCharacters(input, Maximum).size());
}
