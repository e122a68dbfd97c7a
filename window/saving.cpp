// Saving: every modified tag is written back to its file, and unsaved edits are guarded before
// a scan or a close throws them away.
#include <QFile>
#include <QGuiApplication>
#include <QLocale>

#include "grid/characterlimit.h"
#include "tags/fileerror.h"
#include "window/messagebox.h"
#include "window/tagtable.h"

namespace {

const QString NothingText = QStringLiteral("Nothing to change");
const QString FailureText = QStringLiteral("Could not save the tag of the file \r");
const QString WarningText = QStringLiteral("The tag of the file \r");
const QString SavedText = QStringLiteral("Changes saved");
const QString PromptText =
    QStringLiteral("This will destroy your changes\rDo you want to save first");

// The failure message is cut to 255 characters, path included.
constexpr int MaxMessageLength = 255;
// A save of more listed files than this shows its progress in the status line.
constexpr int ProgressFrom = 20;

QString FilePath(const TMP3Tag& tag) {
  return QFile::decodeName(QByteArray::fromStdString(tag.FullPath()));
}

class TWaitCursor {
 public:
  TWaitCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
  ~TWaitCursor() { QGuiApplication::restoreOverrideCursor(); }
  TWaitCursor(const TWaitCursor&) = delete;
  TWaitCursor& operator=(const TWaitCursor&) = delete;
};

}  // namespace

void TTagTable::FinishEdit() {
  if (Table.IsEditing()) Table.FinishEdit();
}

void TTagTable::SaveBtnClick() {
  FinishEdit();
  SaveAll();
}

bool TTagTable::SaveAll() {
  if (!Store.Changed) {
    MessageDlg(NothingText, TMsgKind::Information, TButtons::Ok());
    return true;
  }
  const bool showProgress = Store.RowCount > ProgressFrom;
  const QLocale locale;
  bool failed = false;
  {
    TWaitCursor wait;
    // Every listed file, in scan order, whether the filter shows it or not.
    for (int row = 1; row <= Store.RowCount; ++row) {
      TMP3Tag& tag = *Store.Tags[static_cast<std::size_t>(row)];
      if (showProgress && tag.Modified())
        SetStatus(QStringLiteral("Saving %1 of %2")
                      .arg(locale.toString(row), locale.toString(Store.RowCount)));
      // The path is cut with the text; the reason (read-only, changed since it was read, ...)
      // follows on a line of its own.
      const auto report = [&](const QString& text, const std::string& reason, TMsgKind kind) {
        MessageDlg(LeftCharacters(text + FilePath(tag), MaxMessageLength).toString() +
                       QLatin1Char('\r') + QString::fromStdString(reason),
                   kind, TButtons::Ok());
      };
      try {
        const std::string warning = tag.WriteTag();
        if (!warning.empty()) report(WarningText, warning, TMsgKind::Information);
      } catch (const TFileOpenError& error) {
        failed = true;
        report(FailureText, error.Reason(), TMsgKind::Error);
      } catch (const std::exception& error) {
        failed = true;
        report(FailureText, error.what(), TMsgKind::Error);
      }
    }
  }
  // Edits that could not be written stay unsaved, so the next Save retries them and a scan or
  // close still asks.
  Store.Changed = failed;
  Table.RepaintNow();
  if (showProgress) ShowRowPath(Table.ActiveRow());
  if (failed) return false;
  MessageDlg(SavedText, TMsgKind::Information, TButtons::Ok());
  return true;
}

bool TTagTable::AskToSave() {
  FinishEdit();
  if (!Store.Changed) return true;
  switch (MessageDlg(PromptText, TMsgKind::Confirm, TButtons::YesNoCancel())) {
    case TAnswer::Yes:
      // After a failure the person has seen its message; the edits are not thrown away.
      return SaveAll();
    case TAnswer::No:
      return true;
    default:
      return false;
  }
}
