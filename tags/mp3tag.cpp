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
#include "tags/id3v2.h"
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

// Where an ID3v2 value lies among the object's strings, by block offset: any other offset than
// the first four stands for the comment.
std::size_t Version2Index(std::uint8_t offset) {
  for (std::size_t i = 0; i + 1 < std::size(FieldOffsets); ++i)
    if (FieldOffsets[i] == offset) return 1 + i;
  return std::size(FieldOffsets);
}

constexpr TField Version2Fields[] = {TField::Title, TField::Artist, TField::Album, TField::Year,
                                     TField::Comment};
constexpr std::uint8_t Version2Read =
    (1u << std::size_t(TField::Title)) | (1u << std::size_t(TField::Artist)) |
    (1u << std::size_t(TField::Album)) | (1u << std::size_t(TField::Year)) |
    (1u << std::size_t(TField::Comment));

// The value as a getter gives it: at most 255 characters, without the spaces at the end of what
// is left.
std::string_view ShownText(std::string_view value) {
  value = CutToCharacters(value, MaxText);
  while (!value.empty() && value.back() == ' ') value.remove_suffix(1);
  return value;
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

void TMP3Tag::ReadTag(const std::string& path) { ReadTag(AT_FDCWD, path.c_str(), path); }

void TMP3Tag::ReadTag(int dirFd, const char* name, const std::string& path) {
  // One open serves the header, the frame walk and the block; only the block denies sharing.
  // The first open refuses a symbolic link; a path that is one is opened again, following it,
  // and a save will follow it too. Nothing of the object changes before the whole read is done.
  std::optional<TPosixFile> file;
  bool wasLink = false;
  try {
    file.emplace(dirFd, name, path, TFileAccess::Read, false);
  } catch (const TFileOpenError&) {
    file.emplace(dirFd, name, path, TFileAccess::Read, true);
    wasLink = true;
  }
  TFileSource source(*file, path);
  // Kept from read to read, so that the texts of most tags cost no allocation until they are
  // packed.
  thread_local TID3v2Texts version2;
  ReadID3v2Texts(source, version2, Version2Read);
  std::unique_ptr<TID3v1Block> block;
  if (!version2.Exists) {
    file->DenySharing(path);
    const std::int64_t size = file->SizeAtOpen();
    TID3v1Block read{};
    if (size >= BlockSize) {
      if (source.ReadAt(size - BlockSize, read.data(), read.size()) != read.size())
        throw TFileOpenError(path, "Its last 128 bytes could not be read.");
      if (HasBlockMarker(read)) block = std::make_unique<TID3v1Block>(read);
    }
  }

  FVersion2 = version2.Exists;
  if (FVersion2) {
    const auto text = [&](TField field) -> std::string_view {
      return version2.Texts[std::size_t(field)];
    };
    FStrings.Assign({path, text(TField::Title), text(TField::Artist), text(TField::Album),
                     text(TField::Year), text(TField::Comment)});
  } else {
    FStrings.Assign({path});
  }
  Block = std::move(block);
  FReadOnly = (file->Status().st_mode & S_IWUSR) == 0;
  Saved.Identity = {file->Status().st_dev, file->Status().st_ino, wasLink};
  Saved.Kind = FVersion2 ? TTagKind::Version2 : Block ? TTagKind::Version1 : TTagKind::None;
  BlockFieldsSet = 0;
  Version2FieldsSet = 0;
  FModified = false;
  FHasTitle = TitleShown();
}

TID3v1Block& TMP3Tag::BlockToSet() {
  if (!Block) Block = std::make_unique<TID3v1Block>();
  return *Block;
}

void TMP3Tag::StoreBlock() {
  const std::string path = FullPath();
  TSaveTarget target(path, &Saved.Identity, TFileAccess::ReadWrite);
  TPosixFile& file = target.File();
  file.DenySharing(path);
  // A block is overwritten only where one still is, so audio is never overwritten; a file that
  // gained or lost a block (or an ID3v2 tag) since it was read is not written at all.
  target.ExpectKind(Saved.Kind);
  const std::int64_t size = file.SizeAtOpen();
  const bool overwrite = Saved.Kind == TTagKind::Version1;
  TID3v1Block& block = BlockToSet();
  if (overwrite) {
    // The fields set here go into the block the file holds now; the rest of it stays as another
    // program may have left it.
    TID3v1Block current{};
    if (file.ReadAt(size - BlockSize, current.data(), current.size()) != BlockSize)
      throw TFileOpenError(path, "Its last 128 bytes could not be read.");
    CopyFields(block, current, BlockFieldsSet);
    block = current;
  } else {
    WriteBlockMarker(block);
  }
  const std::int64_t at = overwrite ? size - BlockSize : size;
  if (!file.WriteAt(at, block.data(), block.size())) {
    const int error = errno;
    // No partial block stays behind an append.
    if (!overwrite) {
      [[maybe_unused]] const int restored = ::ftruncate(file.Fd(), size);
    }
    throw TFileOpenError(path, ErrnoText(error));
  }
  Saved.Kind = TTagKind::Version1;
  BlockFieldsSet = 0;
}

void TMP3Tag::SaveVersion2() {
  const std::string path = FullPath();
  try {
    TID3v2 tag;
    for (std::size_t i = 0; i < std::size(Version2Fields); ++i) {
      std::string value(FStrings[1 + i]);
      if (Version2FieldsSet & (1u << i))
        tag.Set(Version2Fields[i], value);
      else
        tag.Load(Version2Fields[i], std::move(value));
    }
    Saved.Identity = tag.Save(path, &Saved);
    Saved.Kind = TTagKind::Version2;
    Version2FieldsSet = 0;
    FModified = false;
  } catch (const std::exception& error) {
    const auto* fileError = dynamic_cast<const TFileOpenError*>(&error);
    ReportTagMessage(("Could not save the file " + path).substr(0, MaxText) + "\r" +
                     (fileError ? fileError->Reason() : std::string(error.what())));
  }
}

void TMP3Tag::WriteTag() {
  if (!FModified) return;
  if (FVersion2) {
    SaveVersion2();
    return;
  }
  StoreBlock();
  FModified = false;
}

bool TMP3Tag::HasTag() const { return FVersion2 || (Block && HasBlockMarker(*Block)); }

bool TMP3Tag::TitleShown() const {
  // An ID3v2 title holds no blanks at its end, so it shows empty only when it is empty; the
  // scan asks this of every file.
  if (FVersion2) return !FStrings[1].empty();
  return HasTag() && !GetTitle().empty();
}

void TMP3Tag::ConvertToVersion2() {
  if (FVersion2) return;
  const std::string title = GetTitle();
  const std::string artist = GetArtist();
  const std::string album = GetAlbum();
  const std::string year = GetYear();
  const std::string comment = GetComment();
  FVersion2 = true;
  FStrings.Assign({FStrings[PathIndex], "", "", "", "", ""});
  Block.reset();
  SetTitle(title);
  SetArtist(artist);
  SetAlbum(album);
  SetYear(year);
  SetComment(comment);
}

std::string TMP3Tag::GetField(std::uint8_t offset, std::uint8_t width) const {
  if (FVersion2) return std::string(ShownText(FStrings[Version2Index(offset)]));
  if (!Block) return "";
  return Win1252ToUtf8(ReadBlockField(*Block, offset, width));
}

void TMP3Tag::SetField(std::uint8_t offset, std::uint8_t width, const std::string& text) {
  const std::string_view value = CutToCharacters(text, MaxText);
  if (FVersion2) {
    const std::size_t index = Version2Index(offset);
    FStrings.Set(index, TrimRightBlanks(value));
    Version2FieldsSet |= std::uint8_t(1u << (index - 1));
  } else {
    WriteBlockField(BlockToSet(), offset, width, Utf8ToWin1252(value));
    BlockFieldsSet |=
        width == (offset == YearOffset ? YearWidth : TextWidth) ? FieldBit(offset) : OtherBytes;
  }
  FHasTitle = TitleShown();
  FModified = true;
}

void TMP3Tag::SetTagMarker() { WriteBlockMarker(BlockToSet()); }

void TMP3Tag::SetChanged(std::uint8_t offset, std::uint8_t width, const std::string& text) {
  // Only a text that differs, byte for byte, from the value as read reaches the tag.
  if (text != GetField(offset, width)) SetField(offset, width, text);
}

TMP3Tag::TShownFields TMP3Tag::ShownFields(std::string& buffer) const {
  TShownFields fields;
  if (FVersion2) {
    for (std::size_t i = 0; i < ShownFieldCount; ++i) fields[i] = ShownText(FStrings[1 + i]);
    fields[3] = CutToCharacters(fields[3], YearWidth);
    return fields;
  }
  if (!Block) return fields;
  // The views are taken once every text is in, since appending may move the buffer.
  buffer.clear();
  std::size_t ends[ShownFieldCount];
  for (std::size_t i = 0; i < ShownFieldCount; ++i) {
    const std::uint8_t offset = FieldOffsets[i];
    buffer +=
        Win1252ToUtf8(ReadBlockField(*Block, offset, offset == YearOffset ? YearWidth : TextWidth));
    ends[i] = buffer.size();
  }
  for (std::size_t i = 0, begin = 0; i < ShownFieldCount; begin = ends[i++])
    fields[i] = std::string_view(buffer).substr(begin, ends[i] - begin);
  return fields;
}

std::string TMP3Tag::GetTitle() const { return GetField(TitleOffset, TextWidth); }
std::string TMP3Tag::GetArtist() const { return GetField(ArtistOffset, TextWidth); }
std::string TMP3Tag::GetAlbum() const { return GetField(AlbumOffset, TextWidth); }
std::string TMP3Tag::GetYear() const {
  return std::string(CutToCharacters(GetField(YearOffset, YearWidth), YearWidth));
}
std::string TMP3Tag::GetComment() const { return GetField(CommentOffset, TextWidth); }

void TMP3Tag::SetTitle(const std::string& text) { SetChanged(TitleOffset, TextWidth, text); }
void TMP3Tag::SetArtist(const std::string& text) { SetChanged(ArtistOffset, TextWidth, text); }
void TMP3Tag::SetAlbum(const std::string& text) { SetChanged(AlbumOffset, TextWidth, text); }
void TMP3Tag::SetYear(const std::string& text) { SetChanged(YearOffset, YearWidth, text); }
void TMP3Tag::SetComment(const std::string& text) { SetChanged(CommentOffset, TextWidth, text); }
