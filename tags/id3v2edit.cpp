#include "tags/id3v2edit.h"

#include "tags/id3v2text.h"

namespace {

std::size_t InsertPosition(const std::vector<TID3v2Frame>& frames, std::uint8_t version,
                           TField field) {
  for (std::size_t before = std::size_t(field); before-- > 0;) {
    if (const auto found = FindFieldFrame(frames, version, TField(before))) return *found + 1;
  }
  std::size_t first = 0;
  bool any = false;
  for (std::size_t after = std::size_t(field) + 1; after < FieldCount; ++after) {
    if (const auto found = FindFieldFrame(frames, version, TField(after))) {
      first = any ? std::min(first, *found) : *found;
      any = true;
    }
  }
  return first;
}

std::string LanguageOf(const TID3v2Frame& comment, std::uint8_t version) {
  const std::optional<std::string> content = FrameContent(comment.Body, comment.Flags, version);
  return content && content->size() >= 4 ? content->substr(1, 3) : "eng";
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
  for (std::size_t i = frames.size(); i-- > 0;) {
    if (frames[i].Id == id) return i;
  }
  return std::nullopt;
}

void ApplyEdit(std::vector<TID3v2Frame>& frames, std::uint8_t version, const TFieldEdit& edit) {
  const std::optional<std::size_t> found = FindFieldFrame(frames, version, edit.Field);
  if (edit.Text.empty()) {
    if (found) frames.erase(frames.begin() + std::ptrdiff_t(*found));
    return;
  }
  const bool comment = edit.Field == TField::Comment;
  if (found) {
    TID3v2Frame& frame = frames[*found];
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
