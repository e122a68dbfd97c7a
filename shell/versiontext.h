#pragma once

#include <QString>
#include <cstdint>

// The program's version record, compiled in at build time from the project's version.
struct TVersionRecord {
  std::uint32_t FileVersionMS;     // major << 16 | minor
  std::uint32_t FileVersionLS;     // release << 16 | build
  std::uint32_t ProductVersionMS;  // same layout as the file version
  std::uint32_t ProductVersionLS;
  const char* FileVersion;
  const char* ProductVersion;
  const char* CompanyName;
  const char* FileDescription;
};

// The record compiled into this program.
const TVersionRecord* ProgramVersion();

// The file version as "major.minor.release.build", each part cut to its lowest 8 bits (a build
// of 300 shows as 44); the empty text when there is no record.
QString VersionText(const TVersionRecord* record);
