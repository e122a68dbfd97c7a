#include "tags/id3v1block.h"

#include <algorithm>

#include "tags/texttrim.h"

namespace {

constexpr std::uint8_t Marker[3] = {'T', 'A', 'G'};

// The end of a field, kept inside the block whatever offset and width a caller passes.
std::size_t FieldEnd(std::uint8_t offset, std::uint8_t width) {
  return std::min<std::size_t>(std::size_t{offset} + width, TID3v1Block{}.size());
}

}  // namespace

bool HasBlockMarker(const TID3v1Block& block) {
  return std::equal(std::begin(Marker), std::end(Marker), block.begin());
}

void WriteBlockMarker(TID3v1Block& block) {
  if (!HasBlockMarker(block)) block[GenreOffset] = NoGenre;
  std::copy(std::begin(Marker), std::end(Marker), block.begin());
}

std::uint8_t BlockTrack(const TID3v1Block& block) {
  return block[TrackMarkOffset] == 0 ? block[TrackOffset] : 0;
}

void SetBlockTrack(TID3v1Block& block, std::uint8_t track) {
  WriteBlockMarker(block);
  block[TrackMarkOffset] = 0;
  block[TrackOffset] = track;
}

std::string ReadBlockField(const TID3v1Block& block, std::uint8_t offset, std::uint8_t width) {
  const auto first = block.begin() + std::min<std::size_t>(offset, block.size());
  const auto last = block.begin() + FieldEnd(offset, width);
  const auto stop = std::find(first, last, std::uint8_t{0});
  return TrimTrailingSpaces(std::string(first, stop));
}

void WriteBlockField(TID3v1Block& block, std::uint8_t offset, std::uint8_t width,
                     std::string_view text) {
  WriteBlockMarker(block);
  if (offset >= block.size()) return;
  const std::size_t room = FieldEnd(offset, width) - offset;
  const std::size_t n = std::min(text.size(), room);
  std::copy_n(text.begin(), n, block.begin() + offset);
  if (text.size() < width && n < room) block[offset + n] = 0;
}
