#include "tags/mp3tag.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <optional>

#include "tags/bytesource.h"
#include "tags/fileerror.h"
#include "tags/id3v1block.h"
#include "tags/id3v2parse.h"
#include "tags/posixfile.h"
#include "tags/reporter.h"
#include "tags/savetarget.h"
#include "tags/textcodec.h"
#include "tags/texttrim.h"

namespace {

// Field values cross the interface as UTF-8 texts of at most 255 characters; messages are cut
// to 255 bytes.
constexpr std::size_t MaxText = 255;

const std::string& Version2Field(const TID3v2& tag, std::uint8_t offset) {
  switch (offset) {
    case TitleOffset:
      return tag.Title();
    case ArtistOffset:
      return tag.Artist();
    case AlbumOffset:
      return tag.Album();
    case YearOffset:
      return tag.Year();
    default:
      return tag.Comment();
  }
}

void SetVersion2Field(TID3v2& tag, std::uint8_t offset, const std::string& text) {
  switch (offset) {
    case TitleOffset:
      tag.SetTitle(text);
      break;
    case ArtistOffset:
      tag.SetArtist(text);
      break;
    case AlbumOffset:
      tag.SetAlbum(text);
      break;
    case YearOffset:
      tag.SetYear(text);
      break;
    default:
      tag.SetComment(text);
      break;
  }
}

constexpr std::int64_t BlockSize = std::tuple_size_v<TID3v1Block>;

// The fields of the block by bit, in the order of their offsets; the last bit stands for any
// other range, which makes a store write the whole block.
constexpr std::uint8_t FieldOffsets[] = {TitleOffset, ArtistOffset, AlbumOffset, YearOffset,
                                         CommentOffset};
constexpr std::uint8_t OtherBytes = 0x80;

std::uint8_t FieldBit(std::uint8_t offset) {
  for (std::size_t i = 0; i < std::size(FieldOffsets); ++i)
    if (FieldOffsets[i] == offset) return std::uint8_t(1u << i);
  return OtherBytes;
}

// Copies the fields whose bits are set from one block into another.
void CopyFields(const TID3v1Block& from, TID3v1Block& to, std::uint8_t bits) {
  if (bits & OtherBytes) {
    to = from;
    return;
  }
  for (std::size_t i = 0; i < std::size(FieldOffsets); ++i) {
    if (!(bits & (1u << i))) continue;
    const std::size_t offset = FieldOffsets[i];
    const std::size_t width = offset == YearOffset ? YearWidth : TextWidth;
    std::copy_n(from.begin() + offset, width, to.begin() + offset);
  }
}

}  // namespace

void TMP3Tag::ReadTag(const std::string& path) {
  // One open serves the header, the frame walk and the block; only the block denies sharing.
  // The first open refuses a symbolic link; a path that is one is opened again, following it,
  // and a save will follow it too.
  std::optional<TPosixFile> file;
  bool wasLink = false;
  try {
    file.emplace(AT_FDCWD, path, path, TFileAccess::Read, false);
  } catch (const TFileOpenError&) {
    try {
      file.emplace(path, TFileAccess::Read);
      wasLink = true;
    } catch (const TFileOpenError&) {
      Version2Tag.reset();
      throw;
    }
  }
  if (!Version2Tag) Version2Tag = std::make_unique<TID3v2>();
  TFileSource source(*file);
  ParseID3v2(source, *Version2Tag);
  Block = {};
  EndsInBlock = false;
  if (!Version2Tag->Exists()) {
    Version2Tag.reset();
    LoadBlock(*file, source);
  }
  FFullPath = path;
  FReadOnly = (file->Status().st_mode & S_IWUSR) == 0;
  Saved.Identity = {file->Status().st_dev, file->Status().st_ino, wasLink};
  Saved.Kind = Version2Tag ? TTagKind::Version2 : EndsInBlock ? TTagKind::Version1 : TTagKind::None;
  BlockFieldsSet = 0;
  FModified = false;
  FHasTitle = TitleShown();
}

void TMP3Tag::LoadBlock(TPosixFile& file, TByteSource& source) {
  file.DenySharing();
  const std::int64_t size = file.SizeAtOpen();
  if (size < BlockSize) return;
  TID3v1Block read{};
  if (source.ReadAt(size - BlockSize, read.data(), read.size()) != read.size()) {
    throw TFileOpenError(file.Path(), "Its last 128 bytes could not be read.");
  }
  if (!HasBlockMarker(read)) return;
  Block = read;
  EndsInBlock = true;
}

void TMP3Tag::StoreBlock() {
  TSaveTarget target(FFullPath, &Saved.Identity, TFileAccess::ReadWrite);
  TPosixFile& file = target.File();
  file.DenySharing();
  // A block is overwritten only where one still is, so audio is never overwritten; a file that
  // gained or lost a block (or an ID3v2 tag) since it was read is not written at all.
  target.ExpectKind(Saved.Kind);
  const std::int64_t size = file.SizeAtOpen();
  const bool overwrite = Saved.Kind == TTagKind::Version1;
  if (overwrite) {
    // The fields set here go into the block the file holds now; the rest of it stays as another
    // program may have left it.
    TID3v1Block current{};
    if (file.ReadAt(size - BlockSize, current.data(), current.size()) != BlockSize)
      throw TFileOpenError(FFullPath, "Its last 128 bytes could not be read.");
    CopyFields(Block, current, BlockFieldsSet);
    Block = current;
  } else {
    WriteBlockMarker(Block);
  }
  const std::int64_t at = overwrite ? size - BlockSize : size;
  if (!file.WriteAt(at, Block.data(), Block.size())) {
    const int error = errno;
    // No partial block stays behind an append.
    if (!overwrite) {
      [[maybe_unused]] const int restored = ::ftruncate(file.Fd(), size);
    }
    throw TFileOpenError(FFullPath, ErrnoText(error));
  }
  EndsInBlock = true;
  Saved.Kind = TTagKind::Version1;
  BlockFieldsSet = 0;
}

void TMP3Tag::SaveVersion2() {
  try {
    Saved.Identity = Version2Tag->Save(FFullPath, &Saved);
    Saved.Kind = TTagKind::Version2;
    FModified = false;
  } catch (const std::exception& error) {
    const auto* fileError = dynamic_cast<const TFileOpenError*>(&error);
    ReportTagMessage(("Could not save the file " + FFullPath).substr(0, MaxText) + "\r" +
                     (fileError ? fileError->Reason() : std::string(error.what())));
  }
}

void TMP3Tag::WriteTag() {
  if (!FModified) return;
  if (Version2Tag) {
    SaveVersion2();
    return;
  }
  StoreBlock();
  FModified = false;
}

bool TMP3Tag::HasTag() const { return Version2Tag || HasBlockMarker(Block); }

bool TMP3Tag::TitleShown() {
  // An ID3v2 title holds no blanks at its end, so it shows empty only when it is empty; the
  // scan asks this of every file.
  if (Version2Tag) return !Version2Tag->Title().empty();
  return HasTag() && !GetTitle().empty();
}

void TMP3Tag::ConvertToVersion2() {
  if (Version2Tag) return;
  const std::string title = GetTitle();
  const std::string artist = GetArtist();
  const std::string album = GetAlbum();
  const std::string year = GetYear();
  const std::string comment = GetComment();
  Version2Tag = std::make_unique<TID3v2>();
  SetTitle(title);
  SetArtist(artist);
  SetAlbum(album);
  SetYear(year);
  SetComment(comment);
}

std::string TMP3Tag::GetField(std::uint8_t offset, std::uint8_t width) {
  if (Version2Tag) {
    return TrimTrailingSpaces(CutToCharacters(Version2Field(*Version2Tag, offset), MaxText));
  }
  return Win1252ToUtf8(ReadBlockField(Block, offset, width));
}

void TMP3Tag::SetField(std::uint8_t offset, std::uint8_t width, const std::string& text) {
  const std::string value(CutToCharacters(text, MaxText));
  if (Version2Tag) {
    SetVersion2Field(*Version2Tag, offset, value);
  } else {
    WriteBlockField(Block, offset, width, Utf8ToWin1252(value));
    BlockFieldsSet |=
        width == (offset == YearOffset ? YearWidth : TextWidth) ? FieldBit(offset) : OtherBytes;
  }
  FHasTitle = TitleShown();
  FModified = true;
}

void TMP3Tag::SetTagMarker() { WriteBlockMarker(Block); }

void TMP3Tag::SetChanged(std::uint8_t offset, std::uint8_t width, const std::string& text) {
  // Only a text that differs, byte for byte, from the value as read reaches the tag.
  if (text != GetField(offset, width)) SetField(offset, width, text);
}

std::string TMP3Tag::GetTitle() { return GetField(TitleOffset, TextWidth); }
std::string TMP3Tag::GetArtist() { return GetField(ArtistOffset, TextWidth); }
std::string TMP3Tag::GetAlbum() { return GetField(AlbumOffset, TextWidth); }
std::string TMP3Tag::GetYear() {
  return std::string(CutToCharacters(GetField(YearOffset, YearWidth), YearWidth));
}
std::string TMP3Tag::GetComment() { return GetField(CommentOffset, TextWidth); }

void TMP3Tag::SetTitle(const std::string& text) { SetChanged(TitleOffset, TextWidth, text); }
void TMP3Tag::SetArtist(const std::string& text) { SetChanged(ArtistOffset, TextWidth, text); }
void TMP3Tag::SetAlbum(const std::string& text) { SetChanged(AlbumOffset, TextWidth, text); }
void TMP3Tag::SetYear(const std::string& text) { SetChanged(YearOffset, YearWidth, text); }
void TMP3Tag::SetComment(const std::string& text) { SetChanged(CommentOffset, TextWidth, text); }
