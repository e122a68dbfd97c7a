#include "tags/id3v2save.h"

#include <string>
#include <vector>

#include "tags/id3v2build.h"
#include "tags/id3v2convert.h"
#include "tags/id3v2edit.h"
#include "tags/id3v2reader.h"

std::optional<TNewTag> SavedTag(TByteSource& file, const TTagValues& values) {
  TID3v2Reader reader(file);
  std::vector<TID3v2Frame> frames;
  std::uint8_t version = 3;
  const bool readable = reader.Readable();
  if (readable) {
    frames = reader.WholeFrames();
    version = reader.Version();
    if (version == 2) {
      for (TID3v2Frame& frame : frames) frame = ConvertFrame(frame);
      version = 3;
    }
  }
  for (const TField field : TagFields) {
    if (!readable || (values.Set & Bit(field)))
      ApplyEdit(frames, version, {field, std::string(values.Texts[std::size_t(field)])});
  }
  std::optional<std::string> bytes = BuildTag(version, frames);
  if (!bytes) return std::nullopt;
  return TNewTag{std::move(*bytes), reader.Extent()};
}
