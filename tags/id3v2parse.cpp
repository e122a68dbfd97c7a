#include "tags/id3v2parse.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <optional>
#include <utility>

#include "tags/bytesource.h"
#include "tags/fields.h"
#include "tags/id3v2frame.h"
#include "tags/id3v2reader.h"
#include "tags/id3v2text.h"
#include "tags/textcodec.h"

namespace {

// A frame id of up to four characters as one number: its bytes, zero-filled.
std::uint32_t IdKey(std::string_view id) {
  std::array<char, 4> bytes{};
  std::copy_n(id.begin(), std::min<std::size_t>(id.size(), 4), bytes.begin());
  std::uint32_t key = 0;
  std::memcpy(&key, bytes.data(), sizeof key);
  return key;
}

std::uint32_t IdKey(const TFrameSpan& span) {
  std::uint32_t key = 0;
  std::memcpy(&key, span.IdBytes.data(), sizeof key);
  return key;
}

// The most of a body a listing reads: enough for MaxListedText bytes of UTF-8 in any encoding
// (a single-byte character takes up to two, UTF-16 takes two bytes a character), with the bytes
// before a comment's text.
constexpr std::int64_t MaxListedBody = 2 * std::int64_t(MaxListedText) + 16;

// A frame's content, at most what a listing reads of it: a view of the bytes the source holds
// where nothing has to be undone, else of `storage`, into which it is decoded. No value for an
// encrypted frame or one that does not inflate. `cut` tells whether the content was cut.
std::optional<std::string_view> Content(TID3v2Reader& reader, const TFrameSpan& span,
                                        std::uint8_t version, std::string& storage, bool& cut) {
  cut = span.Size > MaxListedBody;
  if (!cut && !FrameUnsynchronised(span.Flags, version) && !FrameCompressed(span.Flags, version)) {
    if (const std::optional<std::string_view> body = reader.BodyView(span))
      return FrameContentView(*body, span.Flags, version);
  }
  std::optional<std::string> content = FrameContent(reader.Body(span, MaxListedBody), span.Flags,
                                                    version, std::size_t(MaxListedBody));
  if (!content) return std::nullopt;
  cut = cut || content->size() >= std::size_t(MaxListedBody);
  storage = std::move(*content);
  return storage;
}

// Keeps at most MaxListedText bytes of a text, cut at a character; true when it was longer.
bool KeepListed(std::string& text) {
  if (text.size() <= MaxListedText) return false;
  std::size_t end = MaxListedText;
  while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
  text.resize(end);
  return true;
}

}  // namespace

bool ReadID3v2Texts(TByteSource& source, TID3v2Texts& read, TFieldSet fields) {
  read.Exists = false;
  read.Version = 0;
  read.Size = 0;
  read.Cut = 0;
  for (std::string& text : read.Texts) text.clear();
  TID3v2Reader reader(source);
  if (!reader.HasHeader()) return false;
  if (!reader.Exists()) return true;
  const std::uint8_t version = reader.Version();
  read.Exists = true;
  read.Version = version;
  read.Size = reader.Extent();
  if (!reader.Readable()) return true;

  // Ids compare as numbers: a tag has many frames, and the walk is the scan's busiest loop. A
  // field not asked for has no id, so no frame is found for it.
  std::array<std::uint32_t, FieldCount> ids{};
  for (std::size_t field = 0; field < FieldCount; ++field) {
    if (fields & (1u << field)) ids[field] = IdKey(FieldFrameId(TField(field), version));
  }
  constexpr auto CommentIndex = std::size_t(TField::Comment);
  std::string storage;
  bool cut = false;
  const auto take = [&](std::size_t field) {
    if (KeepListed(read.Texts[field]) || cut) read.Cut |= std::uint8_t(1u << field);
  };
  // The walk keeps the last frame of each field's id, and reads the comment frames as it finds
  // them until one has an empty description: that one is the comment shown.
  std::array<std::optional<TFrameSpan>, FieldCount> last;
  bool commentFound = false;
  reader.VisitFrames([&](const TFrameSpan& span) {
    const auto match = std::find(ids.begin(), ids.end(), IdKey(span));
    if (match == ids.end()) return;
    const auto field = std::size_t(match - ids.begin());
    if (field != CommentIndex) {
      last[field] = span;
      return;
    }
    if (commentFound) return;
    const std::optional<std::string_view> content = Content(reader, span, version, storage, cut);
    const std::optional<TCommentParts> parts = content ? SplitComment(*content) : std::nullopt;
    if (!parts || !parts->EmptyDescription) return;
    commentFound = true;
    AssignDecodedText(read.Texts[CommentIndex], parts->Encoding, parts->Text, parts->Order);
    take(CommentIndex);
  });
  // Only the frame each field is read from has its body read.
  for (std::size_t field = 0; field < FieldCount; ++field) {
    if (!last[field]) continue;
    const std::optional<std::string_view> content =
        Content(reader, *last[field], version, storage, cut);
    if (!content) continue;
    AssignFrameText(read.Texts[field], *content);
    take(field);
  }
  if (version == 4) {
    std::string& year = read.Texts[std::size_t(TField::Year)];
    year.resize(CutToCharacters(year, 4).size());
  }
  return true;
}
