#include "tags/id3v2fields.h"

#include <array>

namespace {

constexpr std::array<std::string_view, FieldCount> Ids22 = {"TT2", "TP1", "TAL", "TRK",
                                                            "TYE", "TCO", "COM"};
constexpr std::array<std::string_view, FieldCount> Ids23 = {"TIT2", "TPE1", "TALB", "TRCK",
                                                            "TYER", "TCON", "COMM"};

}  // namespace

std::string_view FieldFrameId(TField field, std::uint8_t version) {
  const auto index = std::size_t(field);
  if (version == 2) return Ids22[index];
  if (version == 4 && field == TField::Year) return "TDRC";
  return Ids23[index];
}
