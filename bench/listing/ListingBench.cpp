// Parsing speed and memory of the listing parser, entries included (icons, type names, date
// and time texts, raw lines): the work the background client does for every folder it lists.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <QRandomGenerator>
#include <cstdio>
#include <iterator>
#include <memory>
#include <string>

#include "core/common/ShellIcons.h"
#include "core/ftp/DecodeFTPListFile.h"

namespace {

const char* const kSuffixes[] = {".txt", ".html",   ".php", ".jpg",  ".png", ".gif", ".pdf",
                                 ".zip", ".tar.gz", ".c",   ".h",    ".cpp", ".js",  ".css",
                                 ".mp3", ".iso",    ".log", ".conf", ".sh",  ".py",  ""};
const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                               "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

// A listing as `ls -l` writes it: mostly files, some folders and links, names of varied length
// and suffix, dates with a time (recent) or a year (older).
std::string MakeUnixListing(int lines) {
  QRandomGenerator random(20260611);
  std::string text = "total " + std::to_string(lines * 4) + "\r\n";
  text.reserve(size_t(lines) * 72);
  char line[512];
  for (int i = 0; i < lines; ++i) {
    const quint32 kind = random.bounded(20);
    const char* permissions = kind == 0 ? "drwxr-xr-x" : kind == 1 ? "lrwxrwxrwx" : "-rw-r--r--";
    const char* owner = random.bounded(4) == 0 ? "www-data" : "alice";
    const quint64 size = random.bounded(1u << 24) * (random.bounded(8) == 0 ? 4096ULL : 1ULL);
    const char* month = kMonths[random.bounded(12)];
    const int day = int(random.bounded(1, 29));
    char when[16];
    if (random.bounded(3) == 0) {
      std::snprintf(when, sizeof when, " %d", int(random.bounded(1995, 2026)));
    } else {
      std::snprintf(when, sizeof when, "%02d:%02d", int(random.bounded(24)),
                    int(random.bounded(60)));
    }
    const char* suffix = kind <= 1 ? "" : kSuffixes[random.bounded(quint32(std::size(kSuffixes)))];
    const int length = std::snprintf(
        line, sizeof line, "%s %3d %-8s %-8s %10llu %s %2d %5s %s_%06d%s%s\r\n", permissions,
        int(random.bounded(1, 40)), owner, owner, static_cast<unsigned long long>(size), month, day,
        when, random.bounded(2) ? "document" : "img", i, suffix,
        kind == 1 ? " -> ../target/path" : "");
    text.append(line, size_t(length));
  }
  return text;
}

std::string MakeDosListing(int lines) {
  QRandomGenerator random(4711);
  std::string text;
  text.reserve(size_t(lines) * 60);
  char line[256];
  for (int i = 0; i < lines; ++i) {
    const bool folder = random.bounded(10) == 0;
    char sizeText[24];
    if (folder) {
      std::snprintf(sizeText, sizeof sizeText, "%-14s", "<DIR>");
    } else {
      std::snprintf(sizeText, sizeof sizeText, "%14u", random.bounded(1u << 30));
    }
    const int length = std::snprintf(
        line, sizeof line, "%02d-%02d-%02d  %02d:%02d%s %s Report %d%s\r\n",
        int(random.bounded(1, 13)), int(random.bounded(1, 29)), int(random.bounded(100)),
        int(random.bounded(1, 13)), int(random.bounded(60)), random.bounded(2) ? "AM" : "PM",
        sizeText, i, folder ? "" : kSuffixes[random.bounded(quint32(std::size(kSuffixes)))]);
    text.append(line, size_t(length));
  }
  return text;
}

size_t HeapInUse() {
  return mallinfo2().uordblks;
}

void ParseListing(benchmark::State& state, const QByteArray& listing) {
  ShellIcons();  // the program builds the cache at start, not while listing
  const size_t lines = size_t(state.range(0));
  double heapPerLine = 0;
  int entries = 0;
  for (auto _ : state) {
    state.PauseTiming();
    const size_t before = HeapInUse();
    state.ResumeTiming();
    auto items = std::make_unique<TFTPListItems>();
    TListingParser parser;
    parser.Load(listing, *items);
    benchmark::DoNotOptimize(items->Count());
    // Measuring the heap and freeing the entries (done when a folder is dropped) are not timed.
    state.PauseTiming();
    heapPerLine = double(HeapInUse() - before) / double(lines);
    entries = items->Count();
    items.reset();
    state.ResumeTiming();
  }
  state.SetItemsProcessed(int64_t(state.iterations()) * int64_t(lines));
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(listing.size()));
  state.counters["entries"] = entries;
  state.counters["listing_bytes_per_line"] = double(listing.size()) / double(lines);
  // New heap per line; the collection also keeps the listing text itself (shared, not copied).
  state.counters["heap_bytes_per_line"] = heapPerLine;
}

void BM_UnixListing(benchmark::State& state) {
  const QByteArray listing = QByteArray::fromStdString(MakeUnixListing(int(state.range(0))));
  ParseListing(state, listing);
}

void BM_DosListing(benchmark::State& state) {
  const QByteArray listing = QByteArray::fromStdString(MakeDosListing(int(state.range(0))));
  ParseListing(state, listing);
}

BENCHMARK(BM_UnixListing)->Arg(1000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DosListing)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
