// Measures the memory of the row store: the heap bytes it holds per listed row, and whether
// growing it ever holds more than it keeps.
//
// 1. A synthetic list of 100,000 and of 1,000,000 rows whose texts are shaped like the benchmark
//    corpus (make_corpus.py: titles of 1 to 5 words, artists 1 to 3, albums 1 to 4, a year, a
//    comment of 3 to 12 words in every fourth file), filled from a tag object as the scan fills
//    them. Only the store is counted here: one tag object serves every row.
// 2. With a corpus folder: the Scan button's work over it, counting everything a listed file
//    costs (row store, tag object, path), then the row store's share of it.
//
//   rowstore_bench [corpus folder]

#include <malloc.h>
#include <sys/resource.h>
#include <unistd.h>

#include <QApplication>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <random>
#include <string>

#include "grid/grid.h"
#include "scan/folderscan.h"
#include "tags/mp3tag.h"
#include "window/rowstore.h"

namespace {

// Heap bytes in use, chunk headers included.
long long HeapInUse() {
  const struct mallinfo2 info = mallinfo2();
  return static_cast<long long>(info.uordblks + info.hblkhd);
}

// The resident size now and the most it ever was, in bytes.
long long ResidentBytes() {
  long long pages = 0, resident = 0;
  std::ifstream("/proc/self/statm") >> pages >> resident;
  return resident * sysconf(_SC_PAGESIZE);
}
long long PeakResidentBytes() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<long long>(usage.ru_maxrss) * 1024;
}

class TCorpusTexts {
 public:
  explicit TCorpusTexts(unsigned seed) : Random(seed) {}

  std::string Words(int lo, int hi) {
    static const char* const words[] = {
        "Night", "Love",   "Blue",   "River",  "Song",    "Dream", "Fire",   "Road",   "Heart",
        "City",  "Rain",   "Summer", "Light",  "Dark",    "Stone", "Gold",   "Silver", "Ocean",
        "Wind",  "Shadow", "Garden", "Winter", "Morning", "Echo",  "Velvet", "Paper",  "Glass",
        "Crème", "Señor",  "Café",   "Über",   "Naïve",   "Déjà",  "Smörgås"};
    const int count = std::uniform_int_distribution<int>(lo, hi)(Random);
    std::string text;
    for (int i = 0; i < count; ++i) {
      if (i > 0) text += ' ';
      text += words[std::uniform_int_distribution<std::size_t>(0, std::size(words) - 1)(Random)];
    }
    return text;
  }
  std::string Year() {
    return std::to_string(std::uniform_int_distribution<int>(1960, 2024)(Random));
  }
  bool OneIn(int n) { return std::uniform_int_distribution<int>(1, n)(Random) == 1; }

 private:
  std::mt19937 Random;
};

struct TFill {
  long long RowBytes = 0;     // the store's heap bytes per listed row
  long long PeakOverEnd = 0;  // the process's peak resident size above its size at the end
  double TextBytes = 0;       // the five texts' UTF-8 bytes per row
  double FillNs = 0;          // time to fill one row from its tag object
};

TFill FillSynthetic(int rows) {
  TCorpusTexts texts(1);
  TMP3Tag tag;
  tag.ConvertToVersion2();
  const long long before = HeapInUse();
  long long textBytes = 0;
  std::chrono::steady_clock::duration filling{};
  {
    TRowStore store;
    for (int n = 1; n <= rows; ++n) {
      ++store.RowCount;
      store.GrowIfFull();
      tag.SetTitle(texts.Words(1, 5));
      tag.SetArtist(texts.Words(1, 3));
      tag.SetAlbum(texts.Words(1, 4));
      tag.SetYear(texts.Year());
      tag.SetComment(texts.OneIn(4) ? texts.Words(3, 12) : "");
      textBytes += static_cast<long long>(tag.GetTitle().size() + tag.GetArtist().size() +
                                          tag.GetAlbum().size() + tag.GetYear().size() +
                                          tag.GetComment().size());
      const auto start = std::chrono::steady_clock::now();
      store.Rows[n].Fill(tag, "unused.mp3");
      filling += std::chrono::steady_clock::now() - start;
    }
    const long long end = HeapInUse();
    TFill fill;
    fill.RowBytes = (end - before) / rows;
    fill.PeakOverEnd = std::max(0LL, PeakResidentBytes() - ResidentBytes());
    fill.TextBytes = static_cast<double>(textBytes) / rows;
    fill.FillNs = std::chrono::duration<double, std::nano>(filling).count() / rows;
    return fill;
  }
}

void ScanCorpus(const std::string& corpus) {
  TGrid grid;
  TRowStore store;
  const long long before = HeapInUse();
  TFolderScan scan(store, grid, nullptr, [] {});
  scan.Scan(corpus, TScanScope::FolderTree);
  const int files = store.RowCount;
  if (files == 0) {
    std::printf("  corpus: no files under %s\n", corpus.c_str());
    return;
  }
  const long long listed = HeapInUse();
  long long textUnits = 0;
  for (int row = 1; row <= files; ++row)
    for (int column = 0; column < TTagRow::ColumnCount; ++column)
      textUnits += store.Rows[row].Text(column).size();
  store.Rows.clear();
  const long long withoutRows = HeapInUse();
  std::printf(
      "  corpus scan, %d files: %lld bytes per listed file in all (row store, tag object, "
      "path; goal: at most 600)\n",
      files, (listed - before) / files);
  std::printf("    of which the row store: %lld bytes per row (texts: %.1f UTF-16 units per row)\n",
              (listed - withoutRows) / files, static_cast<double>(textUnits) / files);
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  std::printf("rowstore_bench\n");
  for (const int rows : {100'000, 1'000'000}) {
    const TFill fill = FillSynthetic(rows);
    std::printf(
        "  %7d rows, %.1f bytes of text each: %lld bytes per row in the store, "
        "peak resident size above the size at the end: %lld KiB; %.0f ns to fill a row\n",
        rows, fill.TextBytes, fill.RowBytes, fill.PeakOverEnd / 1024, fill.FillNs);
  }
  if (argc >= 2) ScanCorpus(argv[1]);
  return 0;
}
