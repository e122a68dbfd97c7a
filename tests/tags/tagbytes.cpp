#include "tagbytes.h"

#include <zlib.h>

#include <algorithm>
#include <array>

#include "tags/bytesource.h"
#include "tags/id3v2save.h"
#include "tags/texttrim.h"

namespace {

std::string Padded(std::string_view text, std::size_t width) {
  std::string field(text.substr(0, width));
  field.resize(width, '\0');
  return field;
}

std::string FrameWith(std::string_view id, std::string_view body, std::uint16_t flags,
                      bool syncSafe) {
  const auto size = std::uint32_t(body.size());
  std::string out(id);
  for (int shift = 24; shift >= 0; shift -= 8) {
    out += char(syncSafe ? (size >> (shift / 8 * 7)) & 0x7F : (size >> shift) & 0xFF);
  }
  out += char(flags >> 8);
  out += char(flags & 0xFF);
  out += body;
  return out;
}

}  // namespace

std::string TagHeader(std::uint8_t version, std::uint32_t length, std::uint8_t flags) {
  return std::string("ID3") + char(version) + '\0' + char(flags) + char((length >> 21) & 0x7F) +
         char((length >> 14) & 0x7F) + char((length >> 7) & 0x7F) + char(length & 0x7F);
}

std::string Frame(std::string_view id, std::string_view body, std::uint16_t flags) {
  return FrameWith(id, body, flags, false);
}

std::string Frame24(std::string_view id, std::string_view body, std::uint16_t flags) {
  return FrameWith(id, body, flags, true);
}

std::string Frame22(std::string_view id, std::string_view body) {
  const auto size = std::uint32_t(body.size());
  return std::string(id) + char((size >> 16) & 0xFF) + char((size >> 8) & 0xFF) +
         char(size & 0xFF) + std::string(body);
}

std::string Tag(std::string_view frames, std::size_t padding) {
  return TagHeader(3, std::uint32_t(frames.size() + padding)) + std::string(frames) +
         std::string(padding, '\0');
}

std::string TagOf(std::uint8_t version, std::string_view frames, std::uint8_t flags) {
  return TagHeader(version, std::uint32_t(frames.size()), flags) + std::string(frames);
}

std::string Block(std::string_view title, std::string_view artist, std::string_view album,
                  std::string_view year, std::string_view comment, std::uint8_t genre) {
  return "TAG" + Padded(title, 30) + Padded(artist, 30) + Padded(album, 30) + Padded(year, 4) +
         Padded(comment, 30) + char(genre);
}

std::string Audio(std::size_t size) {
  std::string out(size, '\0');
  for (std::size_t i = 0; i < size; ++i) out[i] = char(0xE0 + i * 7 % 31);
  return out;
}

TParsed::TParsed(std::string_view bytes) {
  TMemorySource source(bytes);
  FRead = ReadID3v2Texts(source, FTexts);
}

std::optional<TNewTag> SavedAfter(std::string_view file, const std::vector<TSet>& sets) {
  const TParsed parsed(file);
  std::array<std::string, FieldCount> texts;
  TTagValues values;
  for (const TField field : TagFields) texts[std::size_t(field)] = parsed.Text(field);
  for (const TSet& set : sets) {
    texts[std::size_t(set.Field)] = TrimRightBlanks(set.Text);
    values.Set |= Bit(set.Field);
  }
  for (const TField field : TagFields) values.Texts[std::size_t(field)] = texts[std::size_t(field)];
  TMemorySource source(file);
  return SavedTag(source, values);
}

std::string Deflated(std::string_view bytes) {
  uLongf size = compressBound(uLong(bytes.size()));
  std::string out(size, '\0');
  compress(reinterpret_cast<Bytef*>(out.data()), &size,
           reinterpret_cast<const Bytef*>(bytes.data()), uLong(bytes.size()));
  out.resize(size);
  return out;
}
