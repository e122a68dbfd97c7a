#pragma once

#include <sys/types.h>

// Which file a tag was read from, so that a save writes that file and no other: a name replaced
// by another file, or by a symbolic link planted since, is not the file that was read.
struct TFileIdentity {
  dev_t Device = 0;
  ino_t Inode = 0;
  // The path named a symbolic link when the file was read: a save follows it, as the read did,
  // and rewrites the file it points to. Any other link found at saving is refused.
  bool WasLink = false;

  bool operator==(const TFileIdentity&) const = default;
};

// The kind of tag a file carries. A save writes only a file whose kind is still the one it had
// when it was read; one that gained or lost a tag meanwhile changed under the program.
enum class TTagKind { None, Version1, Version2 };

// What a save expects to find.
struct TSaveExpectation {
  TFileIdentity Identity;
  TTagKind Kind = TTagKind::None;
};
