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
#include "window/letterset.h"
#include "window/naturalorder.h"
#include "window/rowstore.h"
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
// The rows found are put in the order in use this many at a time: entries of a sorted list, or
// rows of the list in scan order.
constexpr std::size_t OrderSliceRows = 1 << 18;
// What the filter keeps of the texts typed before the last: a set of rows, a bit per file, each.
constexpr std::size_t MaxEarlier = 16;
// The rows a thread takes at a time in a slice.
constexpr std::size_t BlockRows = 512;
// What each thread writes as it goes lies on cache lines of its own: a line that two
// processors write in turn passes from one to the other at every write.
constexpr std::size_t CacheLine = 64;
// How many rows ahead a look at many rows asks for what it reads (the texts a sort key is made
// of, the records a filter reads first): such a look waits mostly for memory.
constexpr std::size_t Ahead = 16;
// How many rows ahead a filter asks for each of the two fetches that reach a path.
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

TRowSet NoRows(int rowCount) { return TRowSet(static_cast<std::size_t>(rowCount) / 64 + 1); }

bool Holds(const TRowSet& set, std::size_t row) { return set[row / 64] >> (row % 64) & 1; }

void Add(TRowSet& set, std::size_t row) { set[row / 64] |= std::uint64_t(1) << (row % 64); }

// Appends the rows of a set's word, in store order: the order of their records in memory, so
// that a look through them reads memory forward and the files of a folder come one after another.
void AppendRows(const TRowSet& set, std::size_t word, std::vector<int>& rows) {
  for (std::uint64_t bits = set[word]; bits != 0; bits &= bits - 1)
    rows.push_back(static_cast<int>(word * 64 + std::size_t(std::countr_zero(bits))));
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
      : Parts{TPart(text, rows), TPart(text, rows)}, Needs(text), List(list), Rows(rows) {}
  // What each thread keeps: the folder it decoded last, and the rows it found.
  struct alignas(CacheLine) TPart {
    TPart(const QString& text, int rows) : Search(text), Found(NoRows(rows)) {}
    TTextSearch Search;
    TRowSet Found;
    std::size_t Count = 0;
  };
  TPart Parts[2];
  TLetterNeeds Needs;
  std::uint64_t List;  // the store's list when the job began
  int Rows;            // its row count
  // The rows to look at, in store order: all of them, or those a shorter text kept, taken
  // from its set a slice at a time (a list of them all would be written at once).
  bool AllRows = true;
  TRowSet Candidates;
  std::size_t Next = 0;    // all rows: the rows taken; else the words of Candidates taken
  std::size_t First = 0;   // all rows: the rows taken before the slice under way
  std::vector<int> Slice;  // else the rows of the slice under way
  std::size_t SliceRows = FirstSliceRows;

  // Takes the rows of the next slice, about SliceRows of them; returns how many.
  std::size_t TakeSlice() {
    if (AllRows) {
      First = Next;
      Next = std::min(static_cast<std::size_t>(Rows), Next + SliceRows);
      return Next - First;
    }
    Slice.clear();
    for (; Next < Candidates.size() && Slice.size() < SliceRows; ++Next)
      AppendRows(Candidates, Next, Slice);
    return Slice.size();
  }
  bool Done() const {
    return Next == (AllRows ? static_cast<std::size_t>(Rows) : Candidates.size());
  }
  // The store row of the slice's n-th row.
  std::size_t RowAt(std::size_t n) const {
    return AllRows ? First + n + 1 : static_cast<std::size_t>(Slice[n]);
  }

  // Once every row is looked at: the rows found, and those of them put in order so far, in the
  // order in use as OrderFor names it.
  bool Searched = false;
  TRowSet Found;
  std::size_t FoundCount = 0;
  std::vector<int> Ordered;
  std::size_t OrderNext = 0;
  std::uint64_t OrderFor = 0;
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
  std::vector<int>().swap(PendingOrdered);
  PendingOrderedFor = 0;
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
      PendingShown = found.Rows;
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
    FilterJob->Candidates = narrowest->Rows;
  }
  SliceTimer.start();
}

void TRowOrder::Remember(const QString& text, const TRowSet& rows, std::size_t count) {
  Earlier.push_back({text, rows, count});
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
    ++OrderMade;
  }
  // The rows kept: those found for a new text, or those shown, in a new order.
  TRowSet kept;
  if (PendingFilter) {
    kept = std::move(PendingShown);
    InUse.Filter = Wanted.Filter;
    PendingFilter = false;
  } else if (IsFiltered()) {
    kept = NoRows(RowCount());
    for (const int row : Shown) Add(kept, static_cast<std::size_t>(row));
  }
  PendingShown.clear();
  Shown.clear();
  MadeFor = List();
  if (IsFiltered()) {
    if (PendingOrderedFor == OrderMade)
      Shown = std::move(PendingOrdered);
    else
      ShowRows(kept);
  }
  std::vector<int>().swap(PendingOrdered);
  PendingOrderedFor = 0;
}

void TRowOrder::Reset() {
  CancelSort();
  FilterJob.reset();
  SliceTimer.stop();
  PendingSort = PendingFilter = false;
  // Lists of a million rows are given back, not just emptied.
  std::vector<int>().swap(PendingSorted);
  TRowSet().swap(PendingShown);
  std::vector<int>().swap(PendingOrdered);
  PendingOrderedFor = 0;
  std::vector<int>().swap(Sorted);
  ++OrderMade;
  std::vector<int>().swap(Shown);
  Earlier.clear();
  InUse = Wanted = TViewState();
  MadeFor = 0;
}

void TRowOrder::ShowRows(const TRowSet& kept) {
  // Shown was emptied, its room kept; it grows once at most, not in steps that copy it.
  std::size_t count = 0;
  for (const std::uint64_t word : kept) count += std::size_t(std::popcount(word));
  Shown.reserve(count);
  AppendInOrder(kept, 0, OrderSteps(kept), Shown);
}

std::size_t TRowOrder::OrderSteps(const TRowSet& kept) const {
  return Sorted.empty() ? kept.size() : Sorted.size();
}

void TRowOrder::AppendInOrder(const TRowSet& kept, std::size_t from, std::size_t to,
                              std::vector<int>& rows) const {
  if (Sorted.empty()) {
    for (std::size_t word = from; word < to; ++word) AppendRows(kept, word, rows);
    return;
  }
  for (std::size_t n = from; n < to; ++n)
    if (Holds(kept, static_cast<std::size_t>(Sorted[n]))) rows.push_back(Sorted[n]);
}

bool TRowOrder::OrderFound(TFilterJob& job) {
  // An order put in use meanwhile starts the list again.
  if (job.OrderFor != OrderMade) {
    job.OrderFor = OrderMade;
    job.OrderNext = 0;
    job.Ordered.clear();
    job.Ordered.reserve(job.FoundCount);
  }
  const std::size_t steps = OrderSteps(job.Found);
  const std::size_t to =
      std::min(steps, job.OrderNext + (Sorted.empty() ? OrderSliceRows / 64 : OrderSliceRows));
  AppendInOrder(job.Found, job.OrderNext, to, job.Ordered);
  job.OrderNext = to;
  return to == steps;
}

void TRowOrder::RunSlice() {
  // A job over a store that a scan emptied and filled under it finds nothing of use.
  if (FilterJob && FilterJob->List != List()) FilterJob.reset();
  if (SortJob && SortJob->List != List()) CancelSort();
  // The filter answers typing: it goes first.
  if (FilterJob) {
    TFilterJob& job = *FilterJob;
    if (!job.Searched) {
      if (FindRows(job)) {
        // What the threads found, in one set; it is put in order in slices of its own.
        job.Found = std::move(job.Parts[0].Found);
        const TRowSet& more = job.Parts[1].Found;
        for (std::size_t word = 0; word < job.Found.size(); ++word) job.Found[word] |= more[word];
        job.FoundCount = job.Parts[0].Count + job.Parts[1].Count;
        Remember(Wanted.Filter, job.Found, job.FoundCount);
        job.Searched = true;
      }
    } else if (OrderFound(job)) {
      PendingShown = std::move(job.Found);
      PendingOrdered = std::move(job.Ordered);
      PendingOrderedFor = job.OrderFor;
      PendingFilter = true;
      FilterJob.reset();
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
  const std::size_t count = job.TakeSlice();
  if (count == 0) return true;
  const qint64 ns = Split(0, count, [&](std::size_t first, std::size_t end, int part) {
    TFilterJob::TPart& own = job.Parts[part];
    const auto found = [&](std::size_t row) {
      Add(own.Found, row);
      ++own.Count;
    };
    // A block is looked at in two passes. The first reads the rows' letters, which answer for
    // most rows, and asks at once for what the letters leave to be read, so that many fetches
    // are under way together; the second reads it.
    struct TRead {
      const TTagRow* Record;
      std::uint32_t Row;
      bool Texts, Path;  // to be looked through
    };
    std::array<TRead, BlockRows> reads;
    std::size_t readCount = 0;
    for (std::size_t n = first; n < end; ++n) {
      if (n + Ahead < count) PrefetchAddress(&Store.Rows[job.RowAt(n + Ahead)]);
      const std::size_t row = job.RowAt(n);
      const TTagRow& record = Store.Rows[row];
      // A match lies within one text or within the path.
      const TLetterAnswer inTexts = job.Needs.In(record.TextLetters());
      const TLetterAnswer inPath = job.Needs.In(record.PathLetters());
      if (inTexts == TLetterAnswer::Present || inPath == TLetterAnswer::Present) {
        found(row);
        continue;
      }
      const bool texts = inTexts == TLetterAnswer::Unknown, path = inPath == TLetterAnswer::Unknown;
      if (texts) record.PrefetchTexts();
      if (path) PrefetchAddress(&Store.Tags[row]);
      if (texts || path) reads[readCount++] = {&record, std::uint32_t(row), texts, path};
    }
    for (std::size_t n = 0; n < readCount; ++n) {
      // A path is two fetches away: the tag object, then its strings.
      if (n + 2 * SearchAhead < readCount && reads[n + 2 * SearchAhead].Path)
        PrefetchAddress(Store.Tags[reads[n + 2 * SearchAhead].Row].get());
      if (n + SearchAhead < readCount && reads[n + SearchAhead].Path)
        Store.Tags[reads[n + SearchAhead].Row]->PrefetchPath();
      const TRead& read = reads[n];
      std::array<qsizetype, TTagRow::ColumnCount> ends;
      if ((read.Texts && own.Search.InParts(read.Record->Texts(ends), ends)) ||
          (read.Path && own.Search.InPath(Store.Tags[read.Row]->FullPathView())))
        found(read.Row);
    }
  });
  job.SliceRows = NextSliceRows(count, ns);
  return job.Done();
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
