#include "window/roworder.h"

#include <QElapsedTimer>
#include <QFile>
#include <algorithm>
#include <atomic>
#include <bit>
#include <cstring>
#include <string>
#include <string_view>
#include <thread>

#include "tags/fields.h"
#include "window/naturalorder.h"
#include "window/rowstore.h"
#include "window/letterset.h"
#include "window/textsearch.h"

namespace {

// A slice of work lasts about this long: with the painting between slices, the window's events
// never wait as long as a frame (16 ms).
constexpr qint64 SliceNs = 5'000'000;
// The first slice of a job takes this many rows; later ones as many as the pace so far lets
// into a slice, at most four times as many as the one before.
constexpr std::size_t FirstSliceRows = 4096;
// Sort keys are kept in blocks of this size that never move: growing copies nothing.
constexpr std::size_t KeyBlockSize = 1 << 20;
// The sorting thread looks whether it should stop once per this many comparisons.
constexpr std::size_t ComparisonsPerLook = 4096;
// What the filter keeps of the texts typed before the last: a set of rows, a bit per file, each.
constexpr std::size_t MaxEarlier = 16;
// The rows a thread takes at a time in a slice.
constexpr std::size_t BlockRows = 512;
// What each thread writes as it goes lies on cache lines of its own: a line that two
// processors write in turn passes from one to the other at every write.
constexpr std::size_t CacheLine = 64;
// How many rows ahead the texts of a row are asked for while sort keys are made: a look at
// many rows waits mostly for memory.
constexpr std::size_t Ahead = 16;
// The same for a filter, a stage of the memory it reads at a time.
constexpr std::size_t SearchAhead = 12;

// A row's sort key: its first 8 bytes in a number, most significant first, the rest kept apart.
// Most comparisons are decided by the numbers alone, reading no other memory.
struct TSortEntry {
  std::uint64_t Prefix;
  const char* Rest;
  std::int32_t Row;
  std::uint32_t Length;  // of the whole key
};
constexpr std::size_t PrefixBytes = sizeof(std::uint64_t);

int CompareKeys(const TSortEntry& a, const TSortEntry& b) {
  if (a.Prefix != b.Prefix) return a.Prefix < b.Prefix ? -1 : 1;
  // A key of at most 8 bytes is whole in its prefix, padded with zeros: with equal prefixes it
  // begins the other key.
  if (a.Length <= PrefixBytes || b.Length <= PrefixBytes)
    return (a.Length > b.Length) - (a.Length < b.Length);
  return std::string_view(a.Rest, a.Length - PrefixBytes)
      .compare(std::string_view(b.Rest, b.Length - PrefixBytes));
}

struct TStopped {};

// Where a thread keeps the keys it makes.
class alignas(CacheLine) TKeyStore {
 public:
  const char* Keep(std::string_view bytes) {
    if (bytes.size() > FreeSize) {
      FreeSize = std::max(KeyBlockSize, bytes.size());
      Blocks.push_back(std::make_unique_for_overwrite<char[]>(FreeSize));
      Free = Blocks.back().get();
    }
    char* kept = Free;
    std::memcpy(kept, bytes.data(), bytes.size());
    Free += bytes.size();
    FreeSize -= bytes.size();
    return kept;
  }

 private:
  std::vector<std::unique_ptr<char[]>> Blocks;
  char* Free = nullptr;
  std::size_t FreeSize = 0;
};

// Runs `work` on items [from, to), in blocks that the window's thread and a helper thread take
// in turn: where the helper finds no processor free, the window's thread does all of them. The
// window's thread waits for the helper before it goes on, so no edit can change a row while
// both read it. Returns how long it took.
template <class TWork>
qint64 Split(std::size_t from, std::size_t to, const TWork& work) {
  QElapsedTimer clock;
  clock.start();
  std::atomic<std::size_t> next{from};
  const auto takeBlocks = [&](int part) {
    for (;;) {
      const std::size_t first = next.fetch_add(BlockRows);
      if (first >= to) return;
      work(first, std::min(to, first + BlockRows), part);
    }
  };
  std::thread helper(takeBlocks, 1);
  takeBlocks(0);
  helper.join();
  return clock.nsecsElapsed();
}

std::size_t NextSliceRows(std::size_t rows, qint64 ns) {
  const double fits =
      static_cast<double>(rows) * SliceNs / static_cast<double>(std::max<qint64>(ns, 1));
  return static_cast<std::size_t>(std::clamp(fits, 64.0, 4.0 * static_cast<double>(rows)));
}

// The `count` rows of a set, in store order: the order of their records in memory, so that a
// look through them reads memory forward and the files of a folder come one after another.
std::vector<int> RowsOf(const std::vector<std::uint64_t>& set, std::size_t count) {
  std::vector<int> rows;
  rows.reserve(count);
  for (std::size_t word = 0; word < set.size(); ++word)
    for (std::uint64_t bits = set[word]; bits != 0; bits &= bits - 1)
      rows.push_back(static_cast<int>(word * 64 + std::size_t(std::countr_zero(bits))));
  return rows;
}

}  // namespace

struct TRowOrder::TSortJob {
  std::uint64_t Id = 0;
  int Column = 0;
  bool Descending = false;
  std::uint64_t List = 0;  // the store's list when the job began
  std::size_t Next = 0;    // the next entry to make: store row Next + 1
  std::size_t SliceRows = FirstSliceRows;
  // Made a slice at a time, not filled at once: memory the system gives a page at a time is
  // written a slice at a time.
  std::unique_ptr<TSortEntry[]> Entries;
  std::size_t Count = 0;
  TKeyStore Keys[2];  // one per thread

  std::atomic<bool> Stop{false};
  std::thread Worker;
  std::vector<int> Result;
};

struct TRowOrder::TFilterJob {
  TFilterJob(const QString& text, std::uint64_t list, int rows)
      : Parts{TPart(text), TPart(text)}, Needs(text), List(list), Rows(rows) {}
  // What each thread keeps: the folder it decoded last, and the rows it found in a slice.
  struct alignas(CacheLine) TPart {
    explicit TPart(const QString& text) : Search(text) {}
    TTextSearch Search;
    std::vector<int> Found;
  };
  TPart Parts[2];
  TLetterNeeds Needs;
  std::uint64_t List;       // the store's list when the job began
  int Rows;                 // its row count
  // The rows to look at: all of them, or those a shorter text kept, in store order.
  bool AllRows = true;
  std::vector<int> Candidates;
  std::size_t Next = 0;
  std::size_t SliceRows = FirstSliceRows;
  std::vector<int> Found;  // in no particular order

  std::size_t Count() const { return AllRows ? static_cast<std::size_t>(Rows) : Candidates.size(); }
  std::size_t RowAt(std::size_t n) const {
    return AllRows ? n + 1 : static_cast<std::size_t>(Candidates[n]);
  }
};

TRowOrder::TRowOrder(const TRowStore& store, std::function<void()> ready)
    : Store(store), Ready(std::move(ready)) {
  SliceTimer.setSingleShot(true);
  SliceTimer.setInterval(0);
  QObject::connect(&SliceTimer, &QTimer::timeout, &SliceTimer, [this] { RunSlice(); });
}

TRowOrder::~TRowOrder() { CancelSort(); }

int TRowOrder::RowCount() const { return Store.RowCount; }

std::uint64_t TRowOrder::List() const {
  return std::uint64_t(Store.Generation) << 32 | std::uint32_t(Store.RowCount);
}

int TRowOrder::ToView(int storeRow) const {
  if (!Mapped()) return storeRow >= 1 && storeRow <= RowCount() ? storeRow : 0;
  const std::vector<int>& rows = Rows();
  const auto found = std::find(rows.begin(), rows.end(), storeRow);
  return found == rows.end() ? 0 : static_cast<int>(found - rows.begin()) + 1;
}

void TRowOrder::SortBy(int column, TSortOrder order) {
  CancelSort();
  PendingSort = false;
  PendingSorted.clear();
  Wanted.Column = order == TSortOrder::None ? -1 : column;
  Wanted.Order = order;
  if (order == TSortOrder::None || RowCount() < 2) {
    PendingSort = true;  // scan order, which needs no list
    Ready();
    return;
  }
  SortJob = std::make_unique<TSortJob>();
  SortJob->Id = NextJobId++;
  SortJob->Column = column;
  SortJob->Descending = order == TSortOrder::Descending;
  SortJob->List = List();
  SortJob->Count = static_cast<std::size_t>(RowCount());
  SortJob->Entries = std::make_unique_for_overwrite<TSortEntry[]>(SortJob->Count);
  SliceTimer.start();
}

void TRowOrder::FilterBy(const QString& text) {
  FilterJob.reset();
  PendingFilter = false;
  PendingShown.clear();
  Wanted.Filter = text;
  if (EarlierList != List() || EarlierRevision != Store.Revision) Earlier.clear();
  EarlierList = List();
  EarlierRevision = Store.Revision;
  // A text found before shows its rows at once; one that holds texts found before is looked
  // for among the fewest rows one of them found.
  const TFound* narrowest = nullptr;
  bool known = false;
  for (const TFound& found : Earlier) {
    if (found.Text == text) {
      PendingShown = RowsOf(found.Rows, found.Count);
      known = true;
      break;
    }
    if (TTextSearch(found.Text).In(text) && (!narrowest || found.Count < narrowest->Count))
      narrowest = &found;
  }
  if (text.isEmpty() || known) {
    PendingFilter = true;
    Ready();
    return;
  }
  FilterJob = std::make_unique<TFilterJob>(text, List(), RowCount());
  if (narrowest) {
    FilterJob->AllRows = false;
    FilterJob->Candidates = RowsOf(narrowest->Rows, narrowest->Count);
  }
  SliceTimer.start();
}

void TRowOrder::Remember(const QString& text, const std::vector<int>& rows) {
  TFound found{text, std::vector<std::uint64_t>(static_cast<std::size_t>(RowCount()) / 64 + 1),
               rows.size()};
  for (const int row : rows)
    found.Rows[static_cast<std::size_t>(row) / 64] |= std::uint64_t(1) << (row % 64);
  Earlier.push_back(std::move(found));
  if (Earlier.size() > MaxEarlier) Earlier.erase(Earlier.begin());
}

void TRowOrder::Apply() {
  if (!IsReady()) return;
  if (PendingSort) {
    Sorted = std::move(PendingSorted);
    PendingSorted.clear();
    InUse.Column = Wanted.Column;
    InUse.Order = Wanted.Order;
    PendingSort = false;
  }
  std::vector<int> kept = std::move(PendingFilter ? PendingShown : Shown);
  if (PendingFilter) {
    InUse.Filter = Wanted.Filter;
    PendingFilter = false;
  }
  PendingShown.clear();
  Shown.clear();
  MadeFor = List();
  if (IsFiltered()) ShowRows(std::move(kept));
}

void TRowOrder::Reset() {
  CancelSort();
  FilterJob.reset();
  SliceTimer.stop();
  PendingSort = PendingFilter = false;
  // Lists of a million rows are given back, not just emptied.
  std::vector<int>().swap(PendingSorted);
  std::vector<int>().swap(PendingShown);
  std::vector<int>().swap(Sorted);
  std::vector<int>().swap(Shown);
  Earlier.clear();
  InUse = Wanted = TViewState();
  MadeFor = 0;
}

void TRowOrder::ShowRows(std::vector<int> kept) {
  std::vector<bool> keep(static_cast<std::size_t>(RowCount()) + 1);
  for (const int row : kept) keep[static_cast<std::size_t>(row)] = true;
  kept.clear();
  const int count = RowCount();
  for (int n = 1; n <= count; ++n) {
    const int row = Sorted.empty() ? n : Sorted[static_cast<std::size_t>(n - 1)];
    if (keep[static_cast<std::size_t>(row)]) kept.push_back(row);
  }
  Shown = std::move(kept);
}

void TRowOrder::RunSlice() {
  // A job over a store that a scan emptied and filled under it finds nothing of use.
  if (FilterJob && FilterJob->List != List()) FilterJob.reset();
  if (SortJob && SortJob->List != List()) CancelSort();
  // The filter answers typing: it goes first.
  if (FilterJob) {
    if (FindRows(*FilterJob)) {
      Remember(Wanted.Filter, FilterJob->Found);
      PendingShown = std::move(FilterJob->Found);
      PendingFilter = true;
      FilterJob.reset();
      // The rows found are put in order and shown in an event of their own.
      SliceTimer.start();
      return;
    }
  } else if (SortJob && !SortJob->Worker.joinable() && MakeKeys(*SortJob)) {
    StartSorting(*SortJob);
  }
  if (FilterJob || (SortJob && !SortJob->Worker.joinable())) SliceTimer.start();
  if (PendingFilter && !FilterJob) Ready();
}

bool TRowOrder::MakeKeys(TSortJob& job) {
  const std::size_t from = job.Next;
  const std::size_t to = std::min(job.Count, from + job.SliceRows);
  const qint64 ns = Split(from, to, [&](std::size_t first, std::size_t end, int part) {
    std::string key;
    for (std::size_t n = first; n < end; ++n) {
      if (n + Ahead < job.Count) Store.Rows[n + Ahead + 1].Prefetch();
      key.clear();
      if (job.Column == int(TField::FileName)) {
        // The file name is no text of the row: it is the path's, as the table shows it.
        const std::string_view path = Store.Tags[n + 1]->FullPathView();
        const std::string_view name = path.substr(path.rfind('/') + 1);
        AppendNaturalKey(
            QFile::decodeName(QByteArray::fromRawData(name.data(), qsizetype(name.size()))), key);
      } else {
        AppendNaturalKey(Store.Rows[n + 1].Text(job.Column), key);
      }
      std::uint64_t prefix = 0;
      for (std::size_t i = 0; i < PrefixBytes; ++i)
        prefix = prefix << 8 | (i < key.size() ? static_cast<unsigned char>(key[i]) : 0);
      const char* rest = key.size() > PrefixBytes
                             ? job.Keys[part].Keep(std::string_view(key).substr(PrefixBytes))
                             : nullptr;
      job.Entries[n] = {prefix, rest, static_cast<std::int32_t>(n + 1),
                        static_cast<std::uint32_t>(key.size())};
    }
  });
  job.Next = to;
  job.SliceRows = NextSliceRows(to - from, ns);
  return job.Next == job.Count;
}

void TRowOrder::StartSorting(TSortJob& job) {
  // Every key is made: the sort runs on a thread of its own, reading nothing but the keys.
  job.Worker = std::thread([this, &job] {
    std::size_t comparisons = 0;
    try {
      std::sort(job.Entries.get(), job.Entries.get() + job.Count,
                [&job, &comparisons](const TSortEntry& a, const TSortEntry& b) {
                  if (++comparisons % ComparisonsPerLook == 0 && job.Stop) throw TStopped();
                  const int order = CompareKeys(a, b);
                  if (order != 0) return job.Descending ? order > 0 : order < 0;
                  return a.Row < b.Row;  // equal texts stay in scan order
                });
    } catch (const TStopped&) {
      return;
    }
    job.Result.reserve(job.Count);
    for (std::size_t n = 0; n < job.Count; ++n) job.Result.push_back(job.Entries[n].Row);
    job.Entries.reset();
    for (TKeyStore& keys : job.Keys) keys = TKeyStore();
    QMetaObject::invokeMethod(
        &SliceTimer, [this, id = job.Id] { SortDone(id); }, Qt::QueuedConnection);
  });
}

bool TRowOrder::FindRows(TFilterJob& job) {
  const std::size_t count = job.Count();
  const std::size_t from = job.Next;
  const std::size_t to = std::min(count, from + job.SliceRows);
  const qint64 ns = Split(from, to, [&](std::size_t first, std::size_t end, int part) {
    TTextSearch& search = job.Parts[part].Search;
    std::vector<int>& found = job.Parts[part].Found;
    // The texts or the path of a row whose letters answer are not read.
    const auto unknown = [&](TLetterSet letters) {
      return job.Needs.In(letters) == TLetterAnswer::Unknown;
    };
    for (std::size_t n = first; n < end; ++n) {
      // What will be read is fetched ahead, in stages: the rows' records, then their texts and
      // tag objects, then the tags' paths.
      if (n + 3 * SearchAhead < count) {
        const std::size_t row = job.RowAt(n + 3 * SearchAhead);
        PrefetchAddress(&Store.Rows[row]);
        PrefetchAddress(&Store.Tags[row]);
      }
      if (n + 2 * SearchAhead < count) {
        const std::size_t row = job.RowAt(n + 2 * SearchAhead);
        const TTagRow& record = Store.Rows[row];
        if (unknown(record.TextLetters())) record.Prefetch();
        if (unknown(record.PathLetters())) PrefetchAddress(Store.Tags[row].get());
      }
      if (n + SearchAhead < count) {
        const std::size_t row = job.RowAt(n + SearchAhead);
        if (unknown(Store.Rows[row].PathLetters())) Store.Tags[row]->PrefetchPath();
      }

      const std::size_t row = job.RowAt(n);
      const TTagRow& record = Store.Rows[row];
      // A match lies within one text or within the path.
      const TLetterAnswer inTexts = job.Needs.In(record.TextLetters());
      const TLetterAnswer inPath = job.Needs.In(record.PathLetters());
      bool holds = inTexts == TLetterAnswer::Present || inPath == TLetterAnswer::Present;
      if (!holds && inTexts == TLetterAnswer::Unknown) {
        std::array<qsizetype, TTagRow::ColumnCount> ends;
        holds = search.InParts(record.Texts(ends), ends);
      }
      if (!holds && inPath == TLetterAnswer::Unknown)
        holds = search.InPath(Store.Tags[row]->FullPathView());
      if (holds) found.push_back(static_cast<int>(row));
    }
  });
  for (TFilterJob::TPart& part : job.Parts) {
    job.Found.insert(job.Found.end(), part.Found.begin(), part.Found.end());
    part.Found.clear();
  }
  job.Next = to;
  job.SliceRows = NextSliceRows(to - from, ns);
  return job.Next == count;
}

void TRowOrder::SortDone(std::uint64_t id) {
  if (!SortJob || SortJob->Id != id) return;  // a sort given up since
  SortJob->Worker.join();
  PendingSorted = std::move(SortJob->Result);
  PendingSort = true;
  SortJob.reset();
  Ready();
}

void TRowOrder::CancelSort() {
  if (!SortJob) return;
  SortJob->Stop = true;
  if (SortJob->Worker.joinable()) SortJob->Worker.join();
  SortJob.reset();
}
