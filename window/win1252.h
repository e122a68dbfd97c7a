#pragma once

#include <QString>
#include <string>
#include <string_view>

// Tag texts are Windows-1252 bytes. The table is complete and lossless: the five bytes the code
// page leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) stand for the control characters of the
// same number, so every byte string survives a decode and encode unchanged.
QString DecodeWin1252(std::string_view bytes);

// A character without a Windows-1252 equivalent becomes "?".
std::string EncodeWin1252(const QString& text);

// The Title shown for a file without a valid tag: the file's own name, decoded from the file
// system's encoding, in Windows-1252 ("?" where there is no equivalent), cut to 255 characters.
std::string FileNameToTitle(const std::string& nativeName);
