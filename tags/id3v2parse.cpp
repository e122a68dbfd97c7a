#include "tags/id3v2parse.h"

#include <array>
#include <cstdint>
#include <optional>

#include "tags/bytesource.h"
#include "tags/id3v2.h"
#include "tags/id3v2edit.h"
#include "tags/id3v2fields.h"
#include "tags/id3v2reader.h"
#include "tags/id3v2text.h"
#include "tags/textcodec.h"
#include "tags/texttrim.h"

struct TID3v2Access {
  static void Fill(TID3v2& tag, std::uint8_t version, std::int64_t size) {
    tag.FExists = true;
    tag.FVersion = version;
    tag.FSize = size;
  }
  static void FillTexts(TID3v2& tag, const std::array<std::string, FieldCount>& texts) {
    const auto text = [&](TField field) { return texts[std::size_t(field)]; };
    tag.FTitle = text(TField::Title);
    tag.FArtist = text(TField::Artist);
    tag.FAlbum = text(TField::Album);
    tag.FTrack = ParseTrack(text(TField::Track));
    tag.FYear = text(TField::Year);
    tag.FGenre = ParseGenre(text(TField::Genre));
    tag.FComment = text(TField::Comment);
  }
};

namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::string TextOf(const TID3v2Frame& frame, std::uint8_t version) {
  const std::optional<std::string> content = FrameContent(frame, version);
  return content ? ReadFrameText(*content) : "";
}

std::string CommentOf(const TID3v2Frame& frame, std::uint8_t version) {
  const std::optional<std::string> content = FrameContent(frame, version);
  const std::optional<TCommentParts> parts = SplitComment(*content);
  return DecodeText(parts->Encoding, parts->Text, parts->Order);
}

}  // namespace

bool ParseID3v2(TByteSource& source, TID3v2& tag) {
  tag.Clear();
  TID3v2Reader reader(source);
  if (!reader.HasHeader()) return false;
  if (!reader.Exists()) return true;
  const std::uint8_t version = reader.Version();
  TID3v2Access::Fill(tag, version, reader.Extent());
  if (!reader.Readable()) return true;

  const std::vector<TFrameSpan> spans = reader.Frames();
  // Only the frame each field is read from has its body read.
  std::array<std::optional<std::size_t>, FieldCount> last;
  for (std::size_t i = 0; i < spans.size(); ++i) {
    for (std::size_t field = 0; field < FieldCount; ++field) {
      if (field != std::size_t(TField::Comment) &&
          spans[i].Id == FieldFrameId(TField(field), version)) {
        last[field] = i;
      }
    }
  }
  std::array<std::string, FieldCount> texts;
  for (std::size_t field = 0; field < FieldCount; ++field) {
    if (!last[field]) continue;
    const TFrameSpan& span = spans[*last[field]];
    texts[field] = TextOf({span.Id, span.Flags, reader.Body(span)}, version);
  }
  if (version == 4) {
    std::string& year = texts[std::size_t(TField::Year)];
    year = std::string(CutToCharacters(year, 4));
  }
  for (const TFrameSpan& span : spans) {
    if (span.Id != FieldFrameId(TField::Comment, version)) continue;
    const TID3v2Frame frame{span.Id, span.Flags, reader.Body(span)};
    if (IsShownComment(frame, version)) {
      texts[std::size_t(TField::Comment)] = CommentOf(frame, version);
      break;
    }
  }
  TID3v2Access::FillTexts(tag, texts);
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
