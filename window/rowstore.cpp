#include "window/rowstore.h"

#include "tags/textcodec.h"

std::uint8_t* TagRow::Field(int column) {
  switch (column) {
    case 0:
      return Title.Raw();
    case 1:
      return Artist.Raw();
    case 2:
      return Album.Raw();
    case 3:
      return Year.Raw();
    case 4:
      return Comment.Raw();
    default:
      return nullptr;
  }
}

void TagRow::Fill(TMP3Tag& tag, const std::string& fileName) {
  ReadOnly = tag.ReadOnly();
  if (tag.HasTitle()) {
    Title = tag.GetTitle();
    Artist = tag.GetArtist();
    Album = tag.GetAlbum();
    Year = tag.GetYear();
    Comment = tag.GetComment();
  } else {
    // A name that is not UTF-8 still shows, its stray bytes as replacement characters.
    Title = std::string_view(CutToCharacters(SanitizeUtf8(fileName), 255));
    Artist.Clear();
    Album.Clear();
    Year.Clear();
    Comment.Clear();
  }
}
