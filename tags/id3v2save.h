#pragma once

#include <array>
#include <optional>
#include <string_view>

#include "tags/fields.h"
#include "tags/rewrite.h"

class TByteSource;

// What a save of an ID3v2 tag writes: the text of each field (UTF-8), and the fields set since
// the tag was read.
struct TTagValues {
  std::array<std::string_view, FieldCount> Texts;
  TFieldSet Set = 0;
};

// The tag a save puts in front of the file whose bytes the source holds, and where the rest of
// the file begins. A readable tag keeps its version (2.2 becomes 2.3) and every frame but those
// of the set fields, byte for byte and in its order. A file without a tag that can be read gets
// a new 2.3 tag holding every non-empty value; so does a file shorter than a tag header, which
// holds none (an empty file converted to version 2). No value when the frames do not fit a tag.
std::optional<TNewTag> SavedTag(TByteSource& file, const TTagValues& values);
