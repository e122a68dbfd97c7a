#include "tags/tagsaver.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <map>
#include <optional>
#include <utility>

#include "tags/fileerror.h"
#include "tags/mp3tag.h"

namespace {

// A change in place narrowed to the bytes that differ: a record holds no more than the edit,
// and a tag whose frames did not move is written only where it changed.
TFileChange Narrowed(TFileChange change) {
  if (!change.InPlace()) return change;
  const std::string& a = change.Old;
  const std::string& b = change.New;
  std::size_t front = 0;
  while (front < a.size() && a[front] == b[front]) ++front;
  std::size_t back = 0;
  while (back < a.size() - front && a[a.size() - 1 - back] == b[b.size() - 1 - back]) ++back;
  change.Offset += std::int64_t(front);
  change.Old = a.substr(front, a.size() - front - back);
  change.New = b.substr(front, b.size() - front - back);
  return change;
}

TSaveReport Failed(const std::string& path, const TFileOpenError& error) {
  return {path, error.Reason(), dynamic_cast<const TFileChangedError*>(&error) != nullptr, {}};
}

// Puts the written files on disk: one flush for each file system they lie on. Returns the
// reason for each file system that could not be flushed, by device.
std::map<dev_t, std::string> FlushFileSystems(const std::map<dev_t, std::string>& files) {
  std::map<dev_t, std::string> failed;
  for (const auto& [device, path] : files) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd >= 0 && ::syncfs(fd) == 0) {
      ::close(fd);
      continue;
    }
    failed[device] = FailureReason(errno);
    if (fd >= 0) ::close(fd);
  }
  return failed;
}

}  // namespace

TTagSaver::TTagSaver(std::string journalFolder) : FFolder(std::move(journalFolder)) {}

std::vector<TSaveReport> TTagSaver::Recover() {
  std::vector<TSaveReport> reports;
  for (const TJournal::TLeftAlone& left : TJournal::Recover(FFolder))
    reports.push_back({left.Path, {}, false, left.Reason});
  return reports;
}

std::vector<std::string> TTagSaver::UndoablePaths() const {
  std::vector<std::string> paths;
  for (const TWritten& written : FLastSave) paths.push_back(written.Change.Path);
  return paths;
}

std::vector<TSaveReport> TTagSaver::Write(
    const std::vector<TFileChange>& changes,
    const std::function<void(std::size_t, const TChangeResult&)>& done, const TProgress& progress) {
  std::vector<TFileChange> narrowed;
  std::vector<TSaveReport> reports;
  for (const TFileChange& change : changes) {
    narrowed.push_back(Narrowed(change));
    reports.push_back({change.Path, {}, false, {}});
  }
  std::optional<TJournal> journal;
  try {
    journal.emplace(FFolder, narrowed);
  } catch (const TFileOpenError& error) {
    for (TSaveReport& report : reports) report.Failure = error.Reason();
    return reports;
  }
  std::map<dev_t, std::string> written;  // a file on each file system written in place
  for (std::size_t i = 0; i < narrowed.size(); ++i) {
    const TFileChange& change = narrowed[i];
    try {
      const TChangeResult result = change.InPlace() && change.Old.empty()
                                       ? TChangeResult{change.Identity, {}}
                                       : WriteChange(change);
      reports[i].Warning = result.Warning;
      if (change.WithoutRewrite()) written.emplace(change.Identity.Device, change.Path);
      FLastSave.push_back({change, result.Identity});
      done(i, result);
    } catch (const TFileOpenError& error) {
      reports[i] = Failed(change.Path, error);
    }
    if (progress) progress(i + 1, narrowed.size());
  }
  const std::map<dev_t, std::string> unflushed = FlushFileSystems(written);
  for (std::size_t i = 0; i < narrowed.size(); ++i) {
    const auto failed = unflushed.find(narrowed[i].Identity.Device);
    if (failed != unflushed.end() && reports[i].Failure.empty() && narrowed[i].WithoutRewrite())
      reports[i].Warning = "It was saved, but not yet written to disk. " + failed->second;
  }
  // A save not all of whose files are on disk keeps its record: the next start or save checks
  // them again.
  if (unflushed.empty()) journal->Retire();
  return reports;
}

std::vector<TSaveReport> TTagSaver::Save(const std::vector<TMP3Tag*>& tags,
                                         const TProgress& progress) {
  std::vector<TSaveReport> reports = Recover();
  // Each modified tag's report, in order: a failure found while planning, or the index of its
  // change.
  std::vector<std::pair<TSaveReport, std::optional<std::size_t>>> entries;
  std::vector<TFileChange> changes;
  std::vector<TMP3Tag*> planned;
  for (TMP3Tag* tag : tags) {
    if (!tag->Modified()) continue;
    try {
      changes.push_back(tag->PlanSave());
      planned.push_back(tag);
      entries.push_back({{}, changes.size() - 1});
    } catch (const TFileOpenError& error) {
      entries.push_back({Failed(tag->FullPath(), error), std::nullopt});
    }
    if (progress) progress(0, tags.size());
  }
  // Nothing to write keeps the record of the last save, for an undo.
  if (changes.empty()) {
    for (const auto& entry : entries) reports.push_back(entry.first);
    return reports;
  }
  FLastSave.clear();
  const std::vector<TSaveReport> written = Write(
      changes,
      [&](std::size_t i, const TChangeResult& result) {
        planned[i]->SaveDone(changes[i], result.Identity);
      },
      progress);
  for (const auto& [report, index] : entries) reports.push_back(index ? written[*index] : report);
  return reports;
}

std::vector<TSaveReport> TTagSaver::UndoLastSave(const TProgress& progress) {
  std::vector<TSaveReport> reports = Recover();
  std::vector<TFileChange> inverse;
  for (const TWritten& written : FLastSave)
    inverse.push_back(written.Change.Inverse(written.After));
  FLastSave.clear();
  const std::vector<TSaveReport> undone = Write(
      inverse, [](std::size_t, const TChangeResult&) {}, progress);
  FLastSave.clear();
  reports.insert(reports.end(), undone.begin(), undone.end());
  return reports;
}
