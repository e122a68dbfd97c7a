#include "tags/mp3tag.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <optional>

#include "tags/bytesource.h"
#include "tags/fileerror.h"
#include "tags/genres.h"
#include "tags/id3v1block.h"
#include "tags/id3v2parse.h"
#include "tags/id3v2save.h"
#include "tags/posixfile.h"
#include "tags/savetarget.h"
#include "tags/textcodec.h"
#include "tags/texttrim.h"

namespace {

constexpr std::int64_t BlockSize = std::tuple_size_v<TID3v1Block>;

std::size_t Index(TField field) { return 1 + std::size_t(field); }

std::string_view WithoutEndSpaces(std::string_view value) {
  while (!value.empty() && value.back() == ' ') value.remove_suffix(1);
  return value;
}

// The value as a getter gives it: without the spaces at its end, the Year at most 4 characters.
std::string_view Shown(TField field, std::string_view value) {
  value = WithoutEndSpaces(value);
  return field == TField::Year ? CutToCharacters(value, YearWidth) : value;
}

std::string_view FileNameOf(std::string_view path) { return path.substr(path.rfind('/') + 1); }

// A track number of a block: 1 to 255 in decimal digits; none for anything else.
std::optional<std::uint8_t> BlockTrackNumber(std::string_view text) {
  unsigned number = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
  if (error != std::errc() || end != text.data() + text.size() || number < 1 || number > 255)
    return std::nullopt;
  return std::uint8_t(number);
}

std::size_t LongestGenreName() {
  static const std::size_t longest = [] {
    std::size_t n = 0;
    for (int i = 0; i < 255; ++i) n = std::max(n, GenreName(std::uint8_t(i)).size());
    return n;
  }();
  return longest;
}

// Copies the bytes that hold the fields in `fields` from one block into another.
void CopyFields(const TID3v1Block& from, TID3v1Block& to, TFieldSet fields, std::uint8_t comment) {
  const auto copy = [&](std::size_t offset, std::size_t width) {
    std::copy_n(from.begin() + offset, width, to.begin() + offset);
  };
  for (const TField field : TagFields) {
    if (!(fields & Bit(field))) continue;
    if (field == TField::Track) {
      copy(TrackMarkOffset, 2);
    } else if (field == TField::Genre) {
      copy(GenreOffset, 1);
    } else {
      copy(Info(field).BlockOffset, field == TField::Comment ? comment : Info(field).BlockWidth);
    }
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
  ReadID3v2Texts(source, version2);
  std::unique_ptr<TID3v1Block> block;
  if (!version2.Exists) {
    file->DenySharing(path);
    const std::int64_t size = file->SizeAtOpen();
    TID3v1Block read{};
    if (size >= BlockSize) {
      source.ReadAt(size - BlockSize, read.data(), read.size());
      if (HasBlockMarker(read)) block = std::make_unique<TID3v1Block>(read);
    }
  }

  FVersion2 = version2.Exists;
  if (FVersion2) {
    const auto text = [&](TField field) -> std::string_view {
      return version2.Texts[std::size_t(field)];
    };
    FStrings.Assign({path, text(TField::Title), text(TField::Artist), text(TField::Album),
                     text(TField::Year), text(TField::Comment), text(TField::Track),
                     text(TField::Genre)});
    FCut = version2.Cut;
  } else {
    FStrings.Assign({path});
    FCut = 0;
  }
  Block = std::move(block);
  FReadOnly = (file->Status().st_mode & S_IWUSR) == 0;
  Saved.Identity = {file->Status().st_dev, file->Status().st_ino, wasLink};
  Saved.Kind = FVersion2 ? TTagKind::Version2 : Block ? TTagKind::Version1 : TTagKind::None;
  FieldsSet = 0;
  FModified = false;
  FHasTitle = TitleShown();
}

TID3v1Block& TMP3Tag::BlockToSet() {
  if (!Block) Block = std::make_unique<TID3v1Block>();
  return *Block;
}

std::string TMP3Tag::StoreBlock() {
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
    TFileSource(file, path).ReadAt(size - BlockSize, current.data(), current.size());
    CopyFields(block, current, FieldsSet, BlockWidth(TField::Comment));
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
    throw TFileOpenError(path, FailureReason(error), error);
  }
  Saved.Kind = TTagKind::Version1;
  FieldsSet = 0;
  FModified = false;
  return {};
}

std::string TMP3Tag::SaveVersion2() {
  TTagValues values;
  for (const TField field : TagFields) values.Texts[std::size_t(field)] = FStrings[Index(field)];
  values.Set = FieldsSet;
  const TRewriteResult result =
      RewriteFile(FullPath(), &Saved, [&](TByteSource& file) { return SavedTag(file, values); });
  Saved.Identity = result.Identity;
  Saved.Kind = TTagKind::Version2;
  FieldsSet = 0;
  FModified = false;
  return result.Warning;
}

std::string TMP3Tag::WriteTag() {
  if (!FModified) return {};
  return FVersion2 ? SaveVersion2() : StoreBlock();
}

bool TMP3Tag::HasTag() const { return FVersion2 || (Block && HasBlockMarker(*Block)); }

bool TMP3Tag::TitleShown() const {
  // An ID3v2 title holds no blanks at its end, so it shows empty only when it is empty; the
  // scan asks this of every file.
  if (FVersion2) return !FStrings[Index(TField::Title)].empty();
  return HasTag() && !Get(TField::Title).empty();
}

void TMP3Tag::ConvertToVersion2() {
  if (FVersion2) return;
  std::array<std::string, FieldCount> texts;
  for (const TField field :
       {TField::Title, TField::Artist, TField::Album, TField::Year, TField::Comment})
    texts[std::size_t(field)] = Get(field);
  // The block's track and genre go along: the genre as its number in parentheses, as common
  // writers put a genre of the standard list.
  if (Block && BlockTrack(*Block) != 0)
    texts[std::size_t(TField::Track)] = std::to_string(BlockTrack(*Block));
  if (Block && HasBlockMarker(*Block) && (*Block)[GenreOffset] != NoGenre)
    texts[std::size_t(TField::Genre)] = "(" + std::to_string((*Block)[GenreOffset]) + ")";

  const auto text = [&](TField field) -> std::string_view { return texts[std::size_t(field)]; };
  FStrings.Assign({FStrings[PathIndex], text(TField::Title), text(TField::Artist),
                   text(TField::Album), text(TField::Year), text(TField::Comment),
                   text(TField::Track), text(TField::Genre)});
  FVersion2 = true;
  Block.reset();
  FieldsSet = 0;
  for (const TField field : TagFields) {
    if (!text(field).empty()) FieldsSet |= Bit(field);
  }
  // Converting an empty block changes nothing a save would write.
  if (FieldsSet == 0) return;
  FModified = true;
  FHasTitle = TitleShown();
}

std::uint8_t TMP3Tag::BlockWidth(TField field) const {
  if (field == TField::Comment && Block && BlockTrack(*Block) != 0) return TextWidth - 2;
  return Info(field).BlockWidth;
}

std::string TMP3Tag::BlockValue(TField field) const {
  if (!Block) return {};
  switch (field) {
    case TField::Track: {
      const std::uint8_t track = BlockTrack(*Block);
      return track == 0 ? std::string() : std::to_string(track);
    }
    case TField::Genre:
      return HasBlockMarker(*Block) ? std::string(GenreName((*Block)[GenreOffset])) : "";
    default:
      return Win1252ToUtf8(ReadBlockField(*Block, Info(field).BlockOffset, BlockWidth(field)));
  }
}

void TMP3Tag::SetBlockValue(TField field, const std::string& text) {
  TID3v1Block& block = BlockToSet();
  switch (field) {
    case TField::Track:
      SetBlockTrack(block, BlockTrackNumber(text).value_or(0));
      break;
    case TField::Genre:
      WriteBlockMarker(block);
      block[GenreOffset] = GenreNumber(text).value_or(NoGenre);
      break;
    default: {
      const bool hadTrack = BlockTrack(block) != 0;
      WriteBlockField(block, Info(field).BlockOffset, BlockWidth(field), Utf8ToWin1252(text));
      // A comment of 28 characters puts its zero byte at 125, which makes a track of whatever
      // an older, longer comment left in byte 126.
      if (field == TField::Comment && !hadTrack && BlockTrack(block) != 0) block[TrackOffset] = 0;
      break;
    }
  }
}

std::string TMP3Tag::Value(TField field) const {
  if (field == TField::FileName) return std::string(FileNameOf(FStrings[PathIndex]));
  if (FVersion2) return std::string(WithoutEndSpaces(FStrings[Index(field)]));
  return BlockValue(field);
}

std::string TMP3Tag::Get(TField field) const {
  std::string value = Value(field);
  if (field == TField::Year) value.resize(CutToCharacters(value, YearWidth).size());
  return value;
}

std::size_t TMP3Tag::Limit(TField field) const {
  if (field == TField::FileName) return 0;
  if (FVersion2) return std::max(Info(field).Limit, CharacterCount(Value(field)));
  if (field == TField::Track) return 3;
  if (field == TField::Genre) return LongestGenreName();
  return BlockWidth(field);
}

bool TMP3Tag::Fits(TField field, const std::string& text) const {
  if (field == TField::FileName) return false;
  if (FVersion2) return true;
  if (field == TField::Genre) return text.empty() || GenreNumber(text).has_value();
  if (field == TField::Track) {
    // A track takes the bytes behind a comment of 28 characters. Set cuts a text to the limit
    // first, so "0127" would be stored as track 12.
    const bool roomBehindComment = CharacterCount(Get(TField::Comment)) <= TextWidth - 2;
    return text.empty() ||
           (BlockTrackNumber(text) && text.size() <= Limit(field) && roomBehindComment);
  }
  return CharacterCount(text) <= Limit(field) && FitsWin1252(text);
}

void TMP3Tag::Set(TField field, const std::string& text) {
  if (field == TField::FileName) return;
  const std::string value(CutToCharacters(text, Limit(field)));
  // Only a text that differs, byte for byte, from the value as read reaches the tag.
  if (value == Value(field)) return;
  if (FVersion2)
    FStrings.Set(Index(field), TrimRightBlanks(value));
  else
    SetBlockValue(field, value);
  FieldsSet |= Bit(field);
  FHasTitle = TitleShown();
  FModified = true;
}

TMP3Tag::TFieldTexts TMP3Tag::Texts(std::string& buffer) const {
  TFieldTexts texts;
  texts[std::size_t(TField::FileName)] = FileNameOf(FStrings[PathIndex]);
  if (FVersion2) {
    for (const TField field : TagFields)
      texts[std::size_t(field)] = Shown(field, FStrings[Index(field)]);
    return texts;
  }
  if (!Block) return texts;
  // The views are taken once every text is in, since appending may move the buffer.
  buffer.clear();
  std::size_t ends[FieldCount] = {};
  for (const TField field : TagFields) {
    buffer += BlockValue(field);
    ends[std::size_t(field)] = buffer.size();
  }
  std::size_t begin = 0;
  for (const TField field : TagFields) {
    const std::size_t end = ends[std::size_t(field)];
    texts[std::size_t(field)] = std::string_view(buffer).substr(begin, end - begin);
    begin = end;
  }
  return texts;
}
