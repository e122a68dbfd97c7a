#include "window/textsearch.h"

#include <QChar>
#include <algorithm>
#include <cstdint>
#include <cstring>

namespace {

char32_t Folded(char32_t c) {
  if (c < 0x80) return c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c;
  return QChar::toCaseFolded(c);
}

// The character at `at`: a surrogate pair is one, a lone surrogate too.
char32_t CharacterAt(const char16_t* text, qsizetype at, qsizetype length, qsizetype& units) {
  units = 1;
  const char16_t unit = text[at];
  if (QChar::isHighSurrogate(unit) && at + 1 < length && QChar::isLowSurrogate(text[at + 1])) {
    units = 2;
    return QChar::surrogateToUcs4(unit, text[at + 1]);
  }
  return unit;
}

// Eight UTF-16 units, compared all at once (SSE2 on x86-64).
using TUnits = std::uint16_t __attribute__((vector_size(16)));

}  // namespace

TTextSearch::TTextSearch(QStringView needle) {
  const auto* text = reinterpret_cast<const char16_t*>(needle.utf16());
  for (qsizetype at = 0, units = 0; at < needle.size(); at += units)
    Needle.push_back(Folded(CharacterAt(text, at, needle.size(), units)));
  First = 0xFFFF;
  if (!Needle.empty() && Needle[0] < 0x80) {
    First = static_cast<char16_t>(Needle[0]);
    FirstIsLetter = First >= 'a' && First <= 'z';
    // KELVIN SIGN and LATIN SMALL LETTER LONG S are the only characters beyond ASCII that fold
    // into it.
    BeyondAsciiMayBegin = First == 'k' || First == 's';
  }
  Ascii = std::all_of(Needle.begin(), Needle.end(), [](char32_t c) { return c < 0x80; });
  FoldedIntoFromBeyond =
      std::any_of(Needle.begin(), Needle.end(), [](char32_t c) { return c == 'k' || c == 's'; });
}

bool TTextSearch::At(const char16_t* text, qsizetype at, qsizetype length) const {
  for (const char32_t wanted : Needle) {
    if (at >= length) return false;
    qsizetype units = 0;
    if (Folded(CharacterAt(text, at, length, units)) != wanted) return false;
    at += units;
  }
  return true;
}

bool TTextSearch::InParts(QStringView texts, std::span<const qsizetype> ends) const {
  if (Needle.empty()) return true;
  const auto* text = reinterpret_cast<const char16_t*>(texts.utf16());
  const qsizetype length = texts.size();
  std::size_t part = 0;  // the text that holds the unit looked at; they are looked at in order
  const auto matchesAt = [&](qsizetype at) {
    while (part < ends.size() && ends[part] <= at) ++part;
    return part < ends.size() && At(text, at, std::min(ends[part], length));
  };
  // An ASCII letter is found in either case by setting the bit that tells the cases apart.
  const std::uint16_t caseBit = FirstIsLetter ? 0x20 : 0;
  const std::uint16_t beyondAscii = BeyondAsciiMayBegin ? 0xFF80 : 0;
  qsizetype at = 0;
  const TUnits caseBits = TUnits{} + caseBit, firsts = TUnits{} + First,
               beyondAsciis = TUnits{} + beyondAscii;
  for (; at + 8 <= length; at += 8) {
    TUnits units;
    std::memcpy(&units, text + at, sizeof units);
    const auto hits = ((units | caseBits) == firsts) | ((units & beyondAsciis) != 0);
    std::uint64_t halves[2];
    std::memcpy(halves, &hits, sizeof halves);
    if ((halves[0] | halves[1]) == 0) continue;
    for (int k = 0; k < 8; ++k)
      if (hits[k] && matchesAt(at + k)) return true;
  }
  for (; at < length; ++at)
    if (((text[at] | caseBit) == First || (text[at] & beyondAscii) != 0) && matchesAt(at))
      return true;
  return false;
}

bool TTextSearch::InBytes(std::string_view bytes) const {
  const std::size_t length = Needle.size();
  if (bytes.size() < length) return false;
  const auto first = static_cast<unsigned char>(First);
  const unsigned char caseBit = FirstIsLetter ? 0x20 : 0;
  for (std::size_t at = 0, last = bytes.size() - length; at <= last; ++at) {
    if ((static_cast<unsigned char>(bytes[at]) | caseBit) != first) continue;
    std::size_t n = 1;
    while (n < length && Folded(static_cast<unsigned char>(bytes[at + n])) == Needle[n]) ++n;
    if (n == length) return true;
  }
  return false;
}

bool TTextSearch::InPath(std::string_view path) {
  if (Needle.empty()) return true;
  if (!Ascii) return InPathDecoded(path);
  if (FoldedIntoFromBeyond && std::any_of(path.begin(), path.end(), [](char c) {
        return static_cast<unsigned char>(c) >= 0x80;
      }))
    return InPathDecoded(path);
  const std::size_t nameStart = path.rfind('/') + 1;  // 0 without a folder
  const std::string_view folder = path.substr(0, nameStart);
  if (folder != BytesFolder) {
    BytesFolder.assign(folder);
    InBytesFolder = InBytes(folder);
  }
  if (InBytesFolder) return true;
  // Not in the folder alone: a match ends in the name and begins fewer bytes than the needle's
  // length before it.
  return InBytes(path.substr(nameStart - std::min(nameStart, Needle.size() - 1)));
}

bool TTextSearch::InPathDecoded(std::string_view path) {
  const std::size_t nameStart = path.rfind('/') + 1;  // 0 without a folder
  const std::string_view folder = path.substr(0, nameStart);
  if (folder != Folder) {
    Folder.assign(folder);
    Decoded.clear();
    AppendDecoded(folder);
    FolderUnits = Decoded.size();
    InFolder = In(Decoded);
  }
  if (InFolder) return true;
  Decoded.resize(FolderUnits);
  AppendDecoded(path.substr(nameStart));
  // Not in the folder alone: a match ends in the name and begins at most the needle's length
  // (in units, two per character at most) before it.
  const std::size_t from = FolderUnits - std::min(FolderUnits, 2 * Needle.size());
  return In(QStringView(Decoded).sliced(static_cast<qsizetype>(from)));
}

void TTextSearch::AppendDecoded(std::string_view bytes) {
  // UTF-8 decodes to at most one unit per byte; most paths are ASCII, widened as they are.
  const std::size_t start = Decoded.size();
  Decoded.resize(start + bytes.size());
  char16_t* out = Decoded.data() + start;
  std::size_t ascii = 0;
  for (; ascii < bytes.size() && static_cast<unsigned char>(bytes[ascii]) < 0x80; ++ascii)
    out[ascii] = static_cast<char16_t>(bytes[ascii]);
  std::size_t length = ascii;
  if (ascii < bytes.size()) {
    auto* units = reinterpret_cast<QChar*>(out + ascii);
    const QChar* end = Utf8.appendToBuffer(units, QByteArrayView(bytes.substr(ascii)));
    length = ascii + static_cast<std::size_t>(end - units);
  }
  Decoded.resize(start + length);
}
