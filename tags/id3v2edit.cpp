#include "tags/id3v2edit.h"

#include <algorithm>

#include "tags/id3v2text.h"

namespace {

// The language of a comment frame, "eng" when it has none that can be read.
std::string LanguageOf(const TID3v2Frame& comment, std::uint8_t version) {
  const std::optional<std::string> content = FrameContent(comment.Body, comment.Flags, version, 4);
  return content && content->size() >= 4 ? content->substr(1, 3) : "eng";
}

// The frames an edit of the field replaces: every frame of its id, or for the comment every
// shown comment in the language of the first.
std::vector<std::size_t> EditedFrames(const std::vector<TID3v2Frame>& frames, std::uint8_t version,
                                      TField field) {
  std::vector<std::size_t> found;
  if (field == TField::Comment) {
    const std::optional<std::size_t> first = FindFieldFrame(frames, version, field);
    if (!first) return found;
    const std::string language = LanguageOf(frames[*first], version);
    for (std::size_t i = *first; i < frames.size(); ++i) {
      if (IsShownComment(frames[i], version) && LanguageOf(frames[i], version) == language)
        found.push_back(i);
    }
    return found;
  }
  const std::string_view id = FieldFrameId(field, version);
  for (std::size_t i = 0; i < frames.size(); ++i) {
    if (frames[i].Id == id) found.push_back(i);
  }
  return found;
}

std::size_t InsertPosition(const std::vector<TID3v2Frame>& frames, std::uint8_t version,
                           TField field) {
  // The frame of the nearest field of lower rank, else the first of a field of higher rank.
  const std::uint8_t rank = Info(field).FrameRank;
  std::optional<std::size_t> after, before;
  std::uint8_t afterRank = 0;
  for (const TField other : TagFields) {
    const std::uint8_t otherRank = Info(other).FrameRank;
    const std::optional<std::size_t> found = FindFieldFrame(frames, version, other);
    if (!found || other == field) continue;
    if (otherRank < rank && (!after || otherRank > afterRank)) {
      after = found;
      afterRank = otherRank;
    } else if (otherRank > rank && (!before || *found < *before)) {
      before = found;
    }
  }
  if (after) return *after + 1;
  return before.value_or(0);
}

}  // namespace

bool IsShownComment(const TID3v2Frame& frame, std::uint8_t version) {
  if (frame.Id != FieldFrameId(TField::Comment, version)) return false;
  const std::optional<std::string> content = FrameContent(frame.Body, frame.Flags, version);
  if (!content) return false;
  const std::optional<TCommentParts> parts = SplitComment(*content);
  return parts && parts->EmptyDescription;
}

std::optional<std::size_t> FindFieldFrame(const std::vector<TID3v2Frame>& frames,
                                          std::uint8_t version, TField field) {
  if (field == TField::Comment) {
    for (std::size_t i = 0; i < frames.size(); ++i) {
      if (IsShownComment(frames[i], version)) return i;
    }
    return std::nullopt;
  }
  const std::string_view id = FieldFrameId(field, version);
  if (id.empty()) return std::nullopt;
  for (std::size_t i = frames.size(); i-- > 0;) {
    if (frames[i].Id == id) return i;
  }
  return std::nullopt;
}

void ApplyEdit(std::vector<TID3v2Frame>& frames, std::uint8_t version, const TFieldEdit& edit) {
  if (FieldFrameId(edit.Field, version).empty()) return;
  std::vector<std::size_t> found = EditedFrames(frames, version, edit.Field);
  const bool comment = edit.Field == TField::Comment;
  // The first frame found takes the new text; the rest go, last first so indexes hold.
  std::optional<std::size_t> kept;
  if (!edit.Text.empty() && !found.empty()) {
    kept = found.front();
    found.erase(found.begin());
  }
  for (auto i = found.rbegin(); i != found.rend(); ++i)
    frames.erase(frames.begin() + std::ptrdiff_t(*i));
  if (edit.Text.empty()) return;
  if (kept) {
    TID3v2Frame& frame = frames[*kept];
    frame.Body = comment ? CommentFrameBody(edit.Text, LanguageOf(frame, version), version)
                         : TextFrameBody(edit.Text, version);
    // The format flags described the old body; the new one is stored plainly.
    frame.Flags = StatusFlags(frame.Flags, version);
    return;
  }
  TID3v2Frame frame{
      std::string(FieldFrameId(edit.Field, version)), 0,
      comment ? CommentFrameBody(edit.Text, "eng", version) : TextFrameBody(edit.Text, version)};
  frames.insert(frames.begin() + std::ptrdiff_t(InsertPosition(frames, version, edit.Field)),
                std::move(frame));
}
