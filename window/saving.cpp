// Saving: every modified tag is written back to its file through the window's one saver, whose
// record of the last save lets it be undone; unsaved edits are guarded before a scan or a close
// throws them away.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QLocale>
#include <QStringList>
#include <unordered_set>

#include "grid/characterlimit.h"
#include "window/messagebox.h"
#include "window/tagtable.h"

namespace {

const QString NothingText = QStringLiteral("Nothing to change");
const QString FailureText = QStringLiteral("Could not save the tag of the file \r");
const QString WarningText = QStringLiteral("The tag of the file \r");
const QString SavedText = QStringLiteral("Changes saved");
const QString PromptText =
    QStringLiteral("This will destroy your changes\rDo you want to save first");

// A message naming one file is cut to 255 characters, path included.
constexpr int MaxMessageLength = 255;
// A message naming many files names this many, and how many more.
constexpr std::size_t ListedFiles = 20;
// A save of more files than this shows its progress in the status line.
constexpr std::size_t ProgressFrom = 20;
// The status line and the window are brought up to date this often while a save runs.
constexpr qint64 PaintEveryMs = 40;

QString Shown(const std::string& path) {
  return QFile::decodeName(QByteArray::fromStdString(path));
}

class TWaitCursor {
 public:
  TWaitCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
  ~TWaitCursor() { QGuiApplication::restoreOverrideCursor(); }
  TWaitCursor(const TWaitCursor&) = delete;
  TWaitCursor& operator=(const TWaitCursor&) = delete;
};

struct TNamed {
  std::string Path, Reason;
};

// One file as a message of its own has named it since the first versions: the text, the path
// (the two cut to 255 characters), and the reason on a line of its own. Many files are listed
// one a line, the first 20 of them, then how many more.
QString FileMessage(const QString& one, const QString& many, const std::vector<TNamed>& files) {
  if (files.size() == 1) {
    const QString text = LeftCharacters(one + Shown(files[0].Path), MaxMessageLength).toString();
    if (files[0].Reason.empty()) return text;
    return text + QLatin1Char('\r') + QString::fromStdString(files[0].Reason);
  }
  QString text = many.arg(files.size());
  for (std::size_t i = 0; i < files.size() && i < ListedFiles; ++i) {
    text += QLatin1Char('\r') + Shown(files[i].Path);
    if (!files[i].Reason.empty())
      text += QStringLiteral(" : ") + QString::fromStdString(files[i].Reason);
  }
  if (files.size() > ListedFiles)
    text += QStringLiteral("\rand %1 more").arg(files.size() - ListedFiles);
  return text;
}

}  // namespace

void TTagTable::FinishEdit() {
  if (Table.IsEditing()) Table.FinishEdit();
}

void TTagTable::SaveBtnClick() {
  FinishEdit();
  SaveAll();
}

TTagSaver::TProgress TTagTable::Progress(const QString& text, std::size_t files) {
  // The window paints meanwhile, but takes no input: the list must not change under the save.
  auto shown = std::make_shared<QElapsedTimer>();
  return [this, text, files, shown](std::size_t done, std::size_t count) {
    const bool last = done == count && done > 0;
    if (!last && shown->isValid() && shown->elapsed() < PaintEveryMs) return;
    shown->start();
    if (files > ProgressFrom && done > 0) {
      const QLocale locale;
      SetStatus(text.arg(locale.toString(qulonglong(done)), locale.toString(qulonglong(count))));
    }
    if (PumpEvents) PumpEvents();
  };
}

bool TTagTable::SaveAll() {
  if (!Store.Changed) {
    MessageDlg(NothingText, TMsgKind::Information, TButtons::Ok());
    return true;
  }
  // Only the list's own tags: entries beyond it are stale.
  std::vector<TMP3Tag*> tags;
  std::size_t modified = 0;
  for (int entry = 1; entry <= Store.RowCount; ++entry) {
    TMP3Tag* tag = Store.Tags[std::size_t(entry)].get();
    tags.push_back(tag);
    modified += tag->Modified();
  }
  std::vector<TSaveReport> reports;
  {
    TWaitCursor wait;
    reports = Saver.Save(tags, Progress(QStringLiteral("Saving %1 of %2"), modified));
  }
  // Edits that could not be written stay unsaved, so the next Save retries them and a scan or
  // close still asks. The steps before the save are in the files now: Undo reaches the save.
  Store.ModifiedTags = 0;
  for (const TMP3Tag* tag : tags) Store.ModifiedTags += tag->Modified();
  History.Clear();
  NoteUnsaved();
  Table.RepaintNow();
  if (modified > ProgressFrom) ShowRowPath(Table.ActiveRow());

  std::vector<TNamed> failed, warned;
  for (const TSaveReport& report : reports) {
    if (!report.Failure.empty()) failed.push_back({report.Path, report.Failure});
    if (!report.Warning.empty()) warned.push_back({report.Path, report.Warning});
  }
  if (!failed.empty())
    MessageDlg(
        FileMessage(FailureText, QStringLiteral("Could not save the tags of %1 files:"), failed),
        TMsgKind::Error, TButtons::Ok());
  if (!warned.empty())
    MessageDlg(FileMessage(WarningText, QStringLiteral("The tags of %1 files:"), warned),
               TMsgKind::Information, TButtons::Ok());
  if (!failed.empty()) return false;
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

void TTagTable::UndoSave() {
  const std::vector<std::string> paths = Saver.UndoablePaths();
  const QString question = paths.size() == 1
                               ? QStringLiteral("Undo the save of 1 file?")
                               : QStringLiteral("Undo the save of %1 files?").arg(paths.size());
  if (MessageDlg(question, TMsgKind::Confirm, TButtons::YesNo()) != TAnswer::Yes) return;
  std::vector<TSaveReport> reports;
  {
    TWaitCursor wait;
    reports =
        Saver.UndoLastSave(Progress(QStringLiteral("Undoing the save: %1 of %2"), paths.size()));
  }
  // The rows show what the files hold now, unmodified: the old values where the undo put them
  // back, what another program wrote where it left a file alone.
  const std::unordered_set<std::string> undone(paths.begin(), paths.end());
  for (int entry = 1; entry <= Store.RowCount; ++entry) {
    TMP3Tag& tag = *Store.Tags[std::size_t(entry)];
    const std::string path = tag.FullPath();
    if (!undone.contains(path)) continue;
    try {
      tag.ReadTag(path);
    } catch (const std::exception&) {
      continue;  // gone or unreadable: the row keeps what it showed
    }
    RefillEntry(entry);
  }
  Store.ModifiedTags = 0;
  for (int entry = 1; entry <= Store.RowCount; ++entry)
    Store.ModifiedTags += Store.Tags[std::size_t(entry)]->Modified();
  History.Clear();
  NoteUnsaved();
  Table.viewport()->update();
  if (paths.size() > ProgressFrom) ShowRowPath(Table.ActiveRow());

  std::vector<TNamed> changed, failed;
  for (const TSaveReport& report : reports) {
    if (report.Changed)
      changed.push_back({report.Path, {}});
    else if (!report.Failure.empty())
      failed.push_back({report.Path, report.Failure});
    else if (!report.Warning.empty())
      changed.push_back({report.Path, report.Warning});
  }
  if (!changed.empty())
    MessageDlg(FileMessage(QStringLiteral("This file changed since the save and was left as it "
                                          "is:\r"),
                           QStringLiteral("%1 files changed since the save and were left as they "
                                          "are:"),
                           changed),
               TMsgKind::Information, TButtons::Ok());
  if (!failed.empty())
    MessageDlg(FileMessage(QStringLiteral("Could not undo the save of the file \r"),
                           QStringLiteral("Could not undo the save of %1 files:"), failed),
               TMsgKind::Error, TButtons::Ok());
}

void TTagTable::RecoverSaves() {
  std::vector<TNamed> left;
  for (const TSaveReport& report : Saver.Recover()) left.push_back({report.Path, report.Warning});
  if (left.empty()) return;
  MessageDlg(FileMessage(QStringLiteral("A save cut short was finished. Another program changed "
                                        "this file meanwhile, so it was left as it is:\r"),
                         QStringLiteral("A save cut short was finished. Another program changed "
                                        "%1 files meanwhile, so they were left as they are:"),
                         left),
             TMsgKind::Information, TButtons::Ok());
}
