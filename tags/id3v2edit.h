#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "tags/fields.h"
#include "tags/id3v2frame.h"

// A field whose value was changed, and its new text (UTF-8; empty removes the field's frames).
struct TFieldEdit {
  TField Field;
  std::string Text;
};

// A comment frame whose description is empty: the comment shown. Descriptions such as
// "iTunNORM" mark player data, not a comment. An encrypted frame is never one.
bool IsShownComment(const TID3v2Frame& frame, std::uint8_t version);

// The index of the frame the field is shown from: the last frame of the field's id, or for the
// comment the first shown comment. No value when the tag has none.
std::optional<std::size_t> FindFieldFrame(const std::vector<TID3v2Frame>& frames,
                                          std::uint8_t version, TField field);

// Changes one field of a version 2.3 or 2.4 tag, leaving every other frame as it is. A text
// frame may occur once in a tag: a non-empty text replaces the body of the first frame of the
// field's id in its place (the frame keeps its status flags) and the others of that id go; for
// the comment, the first shown comment is replaced (keeping its language) and every other shown
// comment in that language goes, while comments with a description or in another language
// stay. Where the tag has no such frame, the new one goes right after the frame of the nearest
// field of lower rank; without any, before the first frame of a field, and first in a tag
// holding none. An empty text removes those frames.
void ApplyEdit(std::vector<TID3v2Frame>& frames, std::uint8_t version, const TFieldEdit& edit);
