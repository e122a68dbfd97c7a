#pragma once

#include <QString>
#include <memory>
#include <optional>
#include <stdexcept>

class QSettings;

// A failure of the settings store; the message names the section or value concerned.
class TSettingsError : public std::runtime_error {
 public:
  explicit TSettingsError(const QString& message)
      : std::runtime_error(message.toUtf8().toStdString()) {}
};

// The per-user settings of Tunemark: $XDG_CONFIG_HOME/Weldrake/Tunemark.conf, named sections
// of named text values. A store is opened for one batch of reads or one batch of writes and is
// closed when it goes, also when a read or write raised.
//
// Every value is kept as plain text. Reading a missing value gives the default; a value that
// holds no data reads as the empty text; a value stored in any other form (a list, @Variant,
// @ByteArray) raises "Invalid data type for '<name>'".
class TSettingsStore {
 public:
  // Raises, naming the path, when the store's file exists but is not a regular file (a FIFO
  // would block the reading forever); nothing is then read from it or written into it.
  TSettingsStore();
  ~TSettingsStore();
  TSettingsStore(const TSettingsStore&) = delete;
  TSettingsStore& operator=(const TSettingsStore&) = delete;

  QString ReadText(const QString& section, const QString& name, const QString& deflt);
  // Text that is no decimal integer (empty, letters, out of range) gives the default.
  int ReadInteger(const QString& section, const QString& name, int deflt);
  // Read as an integer with default 1 or 0; any integer but 0 is true ("2" reads as true).
  bool ReadBool(const QString& section, const QString& name, bool deflt);

  void WriteText(const QString& section, const QString& name, const QString& text);
  void WriteInteger(const QString& section, const QString& name, int value);  // decimal text
  void WriteBool(const QString& section, const QString& name, bool value);    // "1" or "0"

  // Puts the written values on disk; raises when the store cannot be written. The file is
  // replaced whole or not at all.
  void Close();

 private:
  // The stored text, or nothing when the value is missing.
  std::optional<QString> ReadStored(const QString& section, const QString& name);

  std::unique_ptr<QSettings> FSettings;
  QString FWrittenSection;  // the section last written to; empty when nothing was written
};
