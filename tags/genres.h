#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

// The standard genre list that an ID3v1 block's genre byte numbers.

// The name of a genre number; empty for a number beyond the list (255 means none).
std::string_view GenreName(std::uint8_t number);
// The number of a genre name, letter case aside; none for a name not in the list.
std::optional<std::uint8_t> GenreNumber(std::string_view name);
