#include "tags/id3v2.h"

#include <exception>
#include <vector>

#include "tags/bytesource.h"
#include "tags/id3v2build.h"
#include "tags/id3v2convert.h"
#include "tags/id3v2edit.h"
#include "tags/id3v2parse.h"
#include "tags/id3v2reader.h"
#include "tags/posixfile.h"
#include "tags/texttrim.h"

void TID3v2::Clear() { *this = TID3v2(); }

bool TID3v2::ReadFromFile(const std::string& path) {
  Clear();
  try {
    const TPosixFile file(path, TFileAccess::Read);
    TFileSource source(file, path);
    return ParseID3v2(source, *this);
  } catch (const std::exception&) {
    Clear();
    return false;
  }
}

std::optional<TNewTag> TID3v2::SavedTag(TByteSource& file) const {
  TID3v2Reader reader(file);
  if (!reader.HasHeader()) return std::nullopt;
  const std::pair<TField, const std::string*> values[] = {{TField::Title, &FTitle},
                                                          {TField::Artist, &FArtist},
                                                          {TField::Album, &FAlbum},
                                                          {TField::Year, &FYear},
                                                          {TField::Comment, &FComment}};
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
  // A file without a tag that can be read gets a new one holding every value; a readable tag
  // changes only in the fields that were set.
  for (const auto& [field, value] : values) {
    if (!readable || FSet[std::size_t(field)]) ApplyEdit(frames, version, {field, *value});
  }
  std::optional<std::string> bytes = BuildTag(version, frames);
  if (!bytes) return std::nullopt;
  return TNewTag{std::move(*bytes), reader.Extent()};
}

bool TID3v2::WriteToFile(const std::string& path) {
  try {
    Save(path, nullptr);
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

TFileIdentity TID3v2::Save(const std::string& path, const TSaveExpectation* expect) {
  const TFileIdentity written =
      RewriteFile(path, expect, [this](TByteSource& file) { return SavedTag(file); });
  FSet = {};
  return written;
}

std::string* TID3v2::Shown(TField field) {
  switch (field) {
    case TField::Title:
      return &FTitle;
    case TField::Artist:
      return &FArtist;
    case TField::Album:
      return &FAlbum;
    case TField::Year:
      return &FYear;
    case TField::Comment:
      return &FComment;
    default:
      return nullptr;
  }
}

void TID3v2::Set(TField field, const std::string& text) {
  std::string* value = Shown(field);
  if (!value) return;
  *value = TrimRightBlanks(text);
  FSet[std::size_t(field)] = true;
}

void TID3v2::Load(TField field, std::string text) {
  if (std::string* value = Shown(field)) *value = std::move(text);
}

void TID3v2::SetTitle(const std::string& text) { Set(TField::Title, text); }
void TID3v2::SetArtist(const std::string& text) { Set(TField::Artist, text); }
void TID3v2::SetAlbum(const std::string& text) { Set(TField::Album, text); }
void TID3v2::SetYear(const std::string& text) { Set(TField::Year, text); }
void TID3v2::SetComment(const std::string& text) { Set(TField::Comment, text); }
