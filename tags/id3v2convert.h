#pragma once

#include <string>
#include <string_view>

#include "tags/id3v2frame.h"

// The version 2.3 id of a version 2.2 frame id ("TT2" -> "TIT2", "PIC" -> "APIC", ...). An id
// without a counterpart ("CRM", the encrypted meta frame, and any id not in the table) keeps its
// three characters behind an "X", which marks an experimental frame in version 2.3: every byte
// stays, and the new tag is valid.
std::string ConvertFrameId(std::string_view id22);

// A version 2.2 frame as its version 2.3 counterpart, flags clear. The bodies are the same but
// for two frames: a picture's three-letter image format becomes a MIME type ("JPG" ->
// "image/jpeg", "PNG" -> "image/png", others "image/" and the format in lower case), and a
// linked-information frame's three-character frame id becomes the four-character one.
TID3v2Frame ConvertFrame(const TID3v2Frame& frame22);
