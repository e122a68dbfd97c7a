#include "shell/settingsstore.h"

#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

namespace {

QString Key(const QString& section, const QString& name) { return section + '/' + name; }

// A value holds no data when it is empty, whatever form it was stored in.
bool HoldsNoData(const QVariant& value) {
  switch (value.typeId()) {
    case QMetaType::UnknownType:
      return true;
    case QMetaType::QString:
      return value.toString().isEmpty();
    case QMetaType::QByteArray:
      return value.toByteArray().isEmpty();
    case QMetaType::QStringList:
      return value.toStringList().isEmpty();
    default:
      return false;
  }
}

// The store's file: $XDG_CONFIG_HOME/Weldrake/Tunemark.conf. It is opened by name, so that no
// other file (the organisation-wide fallback) is read.
QString StoreFileName() {
  return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
         "/Weldrake/Tunemark.conf";
}

// Reading a FIFO or a device would wait forever, or read what is no settings file at all.
void CheckRegularFile(const QString& fileName) {
  struct stat status {};
  if (::stat(QFile::encodeName(fileName).constData(), &status) == 0 && !S_ISREG(status.st_mode))
    throw TSettingsError(QString("The settings file '%1' is not a regular file").arg(fileName));
}

}  // namespace

TSettingsStore::TSettingsStore() {
  const QString fileName = StoreFileName();
  CheckRegularFile(fileName);
  FSettings = std::make_unique<QSettings>(fileName, QSettings::NativeFormat);
}

// Closing on an error path must not raise; QSettings stores what it can when it goes.
TSettingsStore::~TSettingsStore() = default;

std::optional<QString> TSettingsStore::ReadStored(const QString& section, const QString& name) {
  // A store file that exists but cannot be read (a folder in its place, bad syntax) would
  // otherwise pass for an empty one and be overwritten at the end without a word.
  if (FSettings->status() != QSettings::NoError)
    throw TSettingsError(QString("Failed to get data for '%1'").arg(name));
  const QString key = Key(section, name);
  if (!FSettings->contains(key)) return std::nullopt;
  const QVariant value = FSettings->value(key);
  if (HoldsNoData(value)) return QString();
  if (value.typeId() != QMetaType::QString)
    throw TSettingsError(QString("Invalid data type for '%1'").arg(name));
  const QString text = value.toString();
  const qsizetype nul = text.indexOf(QChar(0));
  return nul < 0 ? text : text.left(nul);
}

QString TSettingsStore::ReadText(const QString& section, const QString& name,
                                 const QString& deflt) {
  return ReadStored(section, name).value_or(deflt);
}

int TSettingsStore::ReadInteger(const QString& section, const QString& name, int deflt) {
  const std::optional<QString> text = ReadStored(section, name);
  if (!text) return deflt;
  bool ok = false;
  const int value = text->toInt(&ok, 10);
  return ok ? value : deflt;
}

bool TSettingsStore::ReadBool(const QString& section, const QString& name, bool deflt) {
  return ReadInteger(section, name, deflt ? 1 : 0) != 0;
}

void TSettingsStore::WriteText(const QString& section, const QString& name, const QString& text) {
  if (FWrittenSection.isEmpty()) {
    // The store's folder is made here, so that a path that cannot hold it is reported by name.
    const QString folder = QFileInfo(FSettings->fileName()).path();
    if (!QDir().mkpath(folder))
      throw TSettingsError(QString("Failed to create key %1").arg(section));
  }
  FWrittenSection = section;
  FSettings->setValue(Key(section, name), text);
}

void TSettingsStore::WriteInteger(const QString& section, const QString& name, int value) {
  WriteText(section, name, QString::number(value));
}

void TSettingsStore::WriteBool(const QString& section, const QString& name, bool value) {
  WriteText(section, name, value ? QStringLiteral("1") : QStringLiteral("0"));
}

void TSettingsStore::Close() {
  if (FWrittenSection.isEmpty()) return;
  const QString section = FWrittenSection;
  FWrittenSection.clear();
  FSettings->sync();
  if (FSettings->status() != QSettings::NoError)
    throw TSettingsError(QString("Failed to set data for '%1'").arg(section));
}
