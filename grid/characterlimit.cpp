#include "grid/characterlimit.h"

#include <algorithm>

namespace {

bool IsPairAt(QStringView text, qsizetype i) {
  return i + 1 < text.size() && text[i].isHighSurrogate() && text[i + 1].isLowSurrogate();
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

TCharacterLimit::TCharacterLimit(qsizetype maximum, QObject* parent)
    : QValidator(parent), Maximum(std::max<qsizetype>(maximum, 0)) {}

QValidator::State TCharacterLimit::validate(QString& input, int& pos) const {
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
