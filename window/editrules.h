#pragma once

#include <QString>
#include <cstddef>
#include <optional>
#include <string>

#include "tags/fields.h"

class TMP3Tag;

// The rules a new text of a cell follows, whether typed into one cell or given to many.

// The refusals, for one file and for `count` of them.
QString ReadOnlyMessage(std::size_t count = 1);
QString CutMessage(std::size_t count = 1);
// A text that is no year or no track number, typed or pasted.
QString RuleMessage(std::size_t count = 1);

// The text can be the field's: a year is digits, a track a number or a number, "/" and the
// number of tracks; the file name is not edited here.
bool FollowsRule(TField field, const std::string& text);

// What an ID3v1 block keeps of a text it cannot hold, when the person answers No to the
// version 1 question: a text its width, each character it has no byte for as "?"; a track its
// number without the number of tracks, where the block has room for it. None: the field stays
// as it is (a genre not on the standard list).
std::optional<std::string> BlockForm(const TMP3Tag& tag, TField field, const std::string& text);

// The question whether to convert version 1 tags that cannot hold the texts given to them,
// naming what the texts break. One file is asked about as a typed edit asks; many at once.
class TVersion1Question {
 public:
  // A text that the tag cannot hold (tag.Fits is false).
  void Add(const TMP3Tag& tag, TField field, const std::string& text);
  QString Text(std::size_t files) const;

 private:
  bool TooLong = false, Foreign = false, Track = false, Genre = false;
  std::size_t MinWidth = 255, MaxWidth = 0;
};
