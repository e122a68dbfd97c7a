#pragma once

#include <cstdint>

// Copies the bytes [from, end) of one open file to another at offset `to`, and sets the
// target's length to to + (end - from). Holes of the source stay holes, so a large sparse
// file copies in little time and space. Uses copy_file_range and falls back to a large
// buffer where the kernel cannot copy between the two files. False (errno set) on failure.
bool CopyFileTail(int in, std::int64_t from, std::int64_t end, int out, std::int64_t to);

// The buffer copy of [from, from + length) to `to`, used where copy_file_range is refused.
bool CopyByBuffer(int in, std::int64_t from, std::int64_t length, int out, std::int64_t to);
