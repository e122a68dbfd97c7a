#include "shell/versiontext.h"

#include <QStringList>

#include "version.h"  // generated from version.h.in

const TVersionRecord* ProgramVersion() { return &CompiledVersion; }

QString VersionText(const TVersionRecord* record) {
  if (record == nullptr) return QString();
  const std::uint32_t parts[] = {record->FileVersionMS >> 16, record->FileVersionMS & 0xFFFF,
                                 record->FileVersionLS >> 16, record->FileVersionLS & 0xFFFF};
  QStringList texts;
  for (const std::uint32_t part : parts) texts << QString::number(part & 0xFF);
  return texts.join('.');
}
