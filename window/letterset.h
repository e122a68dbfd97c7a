#pragma once

#include <QStringView>
#include <cstdint>
#include <string_view>

// Which ASCII letters and digits texts hold, letter case aside, a bit each, and whether they
// hold any character beyond ASCII: what the filter knows of a row without reading its texts or
// its path. As the filter compares folded characters, only two characters beyond ASCII fold
// into ASCII ones (KELVIN SIGN into "k", LONG S into "s"), and none into a digit.
using TLetterSet = std::uint64_t;
constexpr TLetterSet BeyondAscii = TLetterSet(1) << 36;

TLetterSet LettersOf(QStringView text);
// A path's bytes, read as UTF-8: an ASCII byte is that character, valid UTF-8 or not.
TLetterSet LettersOf(std::string_view bytes);

// What a row's letters say of a needle.
enum class TLetterAnswer : std::uint8_t {
  Absent,   // the row cannot hold it
  Present,  // the row holds it: a needle of one letter or digit whose bit the row has
  Unknown,  // the row's texts must be looked through
};

class TLetterNeeds {
 public:
  explicit TLetterNeeds(QStringView needle);
  // Asked of every row a filter passes over.
  TLetterAnswer In(TLetterSet letters) const {
    const TLetterSet missing = Needed & ~letters;
    if (missing == 0) return Single ? TLetterAnswer::Present : TLetterAnswer::Unknown;
    // A missing "k" or "s" may be there as a character beyond ASCII.
    if ((letters & BeyondAscii) && (missing & ~FoldedInto) == 0) return TLetterAnswer::Unknown;
    return TLetterAnswer::Absent;
  }

 private:
  // "k" and "s": characters beyond ASCII fold into them.
  static constexpr TLetterSet FoldedInto =
      TLetterSet(1) << ('k' - 'a') | TLetterSet(1) << ('s' - 'a');

  TLetterSet Needed = 0;
  // The needle is one character, which has a bit of its own.
  bool Single = false;
};
