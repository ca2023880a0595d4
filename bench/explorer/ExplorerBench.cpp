// The remote file list on a large folder: filling the model from a parsed listing and sorting
// it in the details style, then sorting again by another column.
#include <benchmark/benchmark.h>

#include <QByteArray>
#include <QRandomGenerator>
#include <array>
#include <memory>

#include "core/common/ShellIcons.h"
#include "core/ftp/DecodeFTPListFile.h"
#include "ui/remote/FileListModel.h"

namespace {

// `ls -l` lines: one folder in twenty, names with a handful of common suffixes.
QByteArray MakeListing(int lines) {
  static const std::array<const char*, 8> suffixes = {".txt", ".jpg", ".tar.gz", ".cpp",
                                                       ".pdf", ".log", ".html",   ""};
  QRandomGenerator random(1212);
  QByteArray text;
  text.reserve(qsizetype(lines) * 70);
  for (int i = 0; i < lines; ++i) {
    const bool folder = random.bounded(20) == 0;
    text += folder ? "drwxr-xr-x" : "-rw-r--r--";
    text += "  1 alice staff ";
    text += QByteArray::number(quint64(random.bounded(1u << 30)) << random.bounded(4));
    text += " Mar ";
    text += QByteArray::number(random.bounded(1, 29));
    text += random.bounded(2) ? " 2019 " : " 12:34 ";
    text += random.bounded(2) ? "Report_" : "photo-";
    text += QByteArray::number(random.bounded(1000000));
    text += folder ? "" : suffixes[random.bounded(quint32(suffixes.size()))];
    text += "\r\n";
  }
  return text;
}

std::unique_ptr<TFTPListItems> ParsedListing(int lines) {
  ShellIcons();
  auto items = std::make_unique<TFTPListItems>();
  LoadListing(MakeListing(lines), *items);
  return items;
}

void BM_FillSortedByName(benchmark::State& state) {
  const auto listing = ParsedListing(int(state.range(0)));
  TFileListModel model;
  const TMasks filter(QStringLiteral("*"));
  for (auto _ : state) {
    model.FillFileList(listing.get(), filter);
    benchmark::DoNotOptimize(model.rowCount());
  }
  state.counters["entries"] = model.rowCount();
}

void BM_ResortBy(benchmark::State& state) {
  const auto listing = ParsedListing(int(state.range(0)));
  TFileListModel model;
  model.FillFileList(listing.get(), TMasks(QStringLiteral("*")));
  const int column = int(state.range(1));
  for (auto _ : state) {
    // Alternates the direction so every round really re-sorts.
    model.ArrangeBy(column);
    benchmark::DoNotOptimize(model.EntryAt(0));
  }
}

}  // namespace

BENCHMARK(BM_FillSortedByName)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ResortBy)
    ->Args({100000, 2})
    ->Args({100000, 3})
    ->Args({100000, 4})
    ->Args({100000, 1})
    ->ArgNames({"entries", "column"})
    ->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
