#pragma once

#include <string>
#include <string_view>

// Puts the new tag in place of the ID3v2 tag at the start of the file (in front of the whole
// file when it has none, or when the old tag's length reaches beyond the file). The new file
// is written completely to "<name>~" beside the file, flushed to disk and renamed over it, so
// the file is never missing or partial; on any failure the temporary file is removed and the
// file keeps its bytes. A file whose owner write bit is clear gets it first, as the new file
// does; the new file otherwise keeps the file's permission bits. False on any failure.
bool RewriteFile(const std::string& path, std::string_view tag);
