#pragma once

#include <QStringDecoder>
#include <QStringView>
#include <limits>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// Finds a text inside others regardless of letter case, as the filter looks for it in every
// cell and path of a long list: characters are compared case folded (QChar::toCaseFolded, one
// character for one, as Qt::CaseInsensitive compares them). Texts are looked through eight code
// units at a time for the units that may begin the needle: those that fold to its first
// character, the other case of an ASCII letter, or any unit beyond ASCII where that character
// is one or is one that a character beyond ASCII folds to ("k" and "s").
class TTextSearch {
 public:
  explicit TTextSearch(QStringView needle);

  bool In(QStringView text) const { return InParts(text, {&LastUnit, 1}); }
  // The same in texts held back to back, `ends` giving where each one ends: a match lies within
  // one of them.
  bool InParts(QStringView texts, std::span<const qsizetype> ends) const;
  // The same in a path's native bytes, read as UTF-8 (as QFile::decodeName reads them; a byte
  // that is no part of a character is U+FFFD). A path is decoded once per folder: the rows of
  // a list come folder by folder. A needle of ASCII is looked for in the bytes themselves: an
  // ASCII character is one byte of UTF-8, valid or not, and no byte beyond ASCII decodes to one.
  bool InPath(std::string_view path);

 private:
  bool At(const char16_t* text, qsizetype at, qsizetype length) const;
  // The needle, all of it ASCII, in bytes.
  bool InBytes(std::string_view bytes) const;
  bool InPathDecoded(std::string_view path);
  // Decodes UTF-8 into the end of Decoded.
  void AppendDecoded(std::string_view bytes);

  std::vector<char32_t> Needle;  // folded code points
  // The first character when it is ASCII, else a value no ASCII unit has; whether an ASCII
  // letter in the other case, or a unit beyond ASCII, may begin the needle.
  char16_t First = 0;
  bool FirstIsLetter = false;
  bool BeyondAsciiMayBegin = true;
  // The needle is all ASCII; one holding "k" or "s" is found in a path of ASCII bytes only, as
  // KELVIN SIGN and LONG S fold into them.
  bool Ascii = false;
  bool FoldedIntoFromBeyond = false;
  static constexpr qsizetype LastUnit = std::numeric_limits<qsizetype>::max();

  // The folder of the last path looked at, decoded, and whether the needle is in it.
  std::string Folder;
  std::u16string Decoded;  // the folder, then the name of the last path
  QStringDecoder Utf8{QStringDecoder::Utf8, QStringDecoder::Flag::Stateless};
  std::size_t FolderUnits = 0;
  bool InFolder = false;
  // The same for the needle of ASCII looked for in bytes.
  std::string BytesFolder;
  bool InBytesFolder = false;
};
