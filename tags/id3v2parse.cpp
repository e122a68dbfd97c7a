#include "tags/id3v2parse.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <optional>
#include <utility>

#include "tags/bytesource.h"
#include "tags/id3v2.h"
#include "tags/id3v2fields.h"
#include "tags/id3v2frame.h"
#include "tags/id3v2reader.h"
#include "tags/id3v2text.h"
#include "tags/textcodec.h"
#include "tags/texttrim.h"

struct TID3v2Access {
  static void Fill(TID3v2& tag, TID3v2Texts& read) {
    tag.FExists = read.Exists;
    tag.FVersion = read.Version;
    tag.FSize = read.Size;
    const auto text = [&](TField field) -> std::string& { return read.Texts[std::size_t(field)]; };
    tag.FTitle = std::move(text(TField::Title));
    tag.FArtist = std::move(text(TField::Artist));
    tag.FAlbum = std::move(text(TField::Album));
    tag.FTrack = ParseTrack(text(TField::Track));
    tag.FYear = std::move(text(TField::Year));
    tag.FGenre = ParseGenre(text(TField::Genre));
    tag.FComment = std::move(text(TField::Comment));
  }
};

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

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// A frame's content: a view of the bytes the source holds where nothing has to be undone, else
// of `storage`, into which it is decoded. No value for a compressed or encrypted frame.
std::optional<std::string_view> Content(TID3v2Reader& reader, const TFrameSpan& span,
                                        std::uint8_t version, std::string& storage) {
  if (!FrameUnsynchronised(span.Flags, version)) {
    if (const std::optional<std::string_view> body = reader.BodyView(span))
      return FrameContentView(*body, span.Flags, version);
  }
  std::optional<std::string> content = FrameContent(reader.Body(span), span.Flags, version);
  if (!content) return std::nullopt;
  storage = std::move(*content);
  return storage;
}

}  // namespace

bool ReadID3v2Texts(TByteSource& source, TID3v2Texts& read, std::uint8_t fields) {
  read.Exists = false;
  read.Version = 0;
  read.Size = 0;
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
  std::vector<TFrameSpan>& spans = read.Spans;
  reader.Frames(spans);
  // Only the frame each field is read from has its body read.
  std::array<const TFrameSpan*, FieldCount> last{};
  for (const TFrameSpan& span : spans) {
    const auto found = std::find(ids.begin(), ids.end(), IdKey(span));
    if (found != ids.end()) last[std::size_t(found - ids.begin())] = &span;
  }
  std::string storage;
  for (std::size_t field = 0; field < FieldCount; ++field) {
    if (!last[field] || field == std::size_t(TField::Comment)) continue;
    const std::optional<std::string_view> content = Content(reader, *last[field], version, storage);
    if (content) AssignFrameText(read.Texts[field], *content);
  }
  if (version == 4) {
    std::string& year = read.Texts[std::size_t(TField::Year)];
    year.resize(CutToCharacters(year, 4).size());
  }
  // The comment shown is the first whose description is empty.
  if (fields & (1u << std::size_t(TField::Comment))) {
    for (const TFrameSpan& span : spans) {
      if (IdKey(span) != ids[std::size_t(TField::Comment)]) continue;
      const std::optional<std::string_view> content = Content(reader, span, version, storage);
      const std::optional<TCommentParts> parts = content ? SplitComment(*content) : std::nullopt;
      if (parts && parts->EmptyDescription) {
        AssignDecodedText(read.Texts[std::size_t(TField::Comment)], parts->Encoding, parts->Text,
                          parts->Order);
        break;
      }
    }
  }
  return true;
}

bool ParseID3v2(TByteSource& source, TID3v2& tag) {
  tag.Clear();
  TID3v2Texts read;
  if (!ReadID3v2Texts(source, read)) return false;
  TID3v2Access::Fill(tag, read);
  return true;
}

std::int64_t ParseTrack(std::string_view text) {
  const std::string trimmed = Trim(text);
  std::string_view number = std::string_view(trimmed).substr(0, trimmed.find('/'));
  bool negative = false;
  if (!number.empty() && (number[0] == '+' || number[0] == '-')) {
    negative = number[0] == '-';
    number.remove_prefix(1);
  }
  int base = 10;
  if (!number.empty() && (number[0] == '$' || number[0] == 'x' || number[0] == 'X')) {
    base = 16;
    number.remove_prefix(1);
  } else if (number.size() >= 2 && number[0] == '0' && (number[1] == 'x' || number[1] == 'X')) {
    base = 16;
    number.remove_prefix(2);
  }
  if (number.empty() || negative) return 0;
  std::int64_t value = 0;
  for (const char c : number) {
    const int digit = HexDigit(c);
    if (digit < 0 || digit >= base) return 0;
    // A number beyond the 64-bit range cannot be kept; it counts as no number.
    if (value > (INT64_MAX - digit) / base) return 0;
    value = value * base + digit;
  }
  return value;
}

std::string ParseGenre(std::string_view text) {
  const std::string trimmed = Trim(text);
  const std::size_t close = trimmed.rfind(')');
  return close == std::string::npos ? trimmed : trimmed.substr(close + 1);
}
