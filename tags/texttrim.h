#pragma once

#include <string>
#include <string_view>

// The two trims of the tag layer. Characters 0x00 to 0x20 count as blanks for Trim and
// TrimRightBlanks; TrimTrailingSpaces removes only the byte 0x20 at the end.
// A character 0x00 to 0x20: what Trim and TrimRightBlanks take away.
constexpr bool IsBlank(char c) { return static_cast<unsigned char>(c) <= 0x20; }

std::string Trim(std::string_view text);
std::string TrimRightBlanks(std::string_view text);
std::string TrimTrailingSpaces(std::string_view text);
