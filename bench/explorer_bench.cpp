// The explorer's disk work against plain walks of the same folders, printed
// as ratios: the search (worker thread, matching, reports queued to the
// interface thread) against a std::filesystem walk that only matches names,
// and the listing of one large folder for the trees (sorted, sound files
// picked out) against a bare readdir of it. Both should stay within a small
// factor: the explorer is meant to cost what reading the disk costs.
// Run: build/bench/explorer_bench
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QEventLoop>

#include <algorithm>
#include <cstdio>
#include <dirent.h>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "gui/panes/file_search.h"
#include "gui/panes/folder_listing.h"
#include "ratio_reporter.h"

namespace {

namespace fs = std::filesystem;

// 100 folders of 100 files, one in ten a matching sound file; and one folder
// of 5,000 entries.
struct Fixture {
  Fixture() {
    root = fs::temp_directory_path() / ("explorer_bench_" + std::to_string(::getpid()));
    for (int folder = 0; folder < 100; ++folder) {
      const fs::path dir = root / "walk" / ("folder" + std::to_string(folder));
      fs::create_directories(dir);
      for (int file = 0; file < 100; ++file)
        std::ofstream(dir / (file % 10 == 0 ? "take" + std::to_string(file) + ".wav" : "note" + std::to_string(file) + ".txt"));
    }
    fs::create_directories(root / "big");
    for (int file = 0; file < 5000; ++file)
      std::ofstream(root / "big" / ((file % 2 ? "Song " : "song ") + std::to_string(file) + (file % 3 ? ".wav" : ".txt")));
  }
  ~Fixture() { fs::remove_all(root); }
  fs::path root;
};

Fixture* g_fixture = nullptr;

void BM_Search(benchmark::State& state) {
  CFileSearch search;
  int64_t hits = 0;
  QObject::connect(&search, &CFileSearch::found, [&hits] { ++hits; });
  const QString root = QString::fromStdString((g_fixture->root / "walk").string());
  for (auto _ : state) {
    search.Start(QStringLiteral("take"), {root});
    while (search.IsRunning()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  }
  state.counters["hits"] = static_cast<double>(hits) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_Search)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_FilesystemWalk(benchmark::State& state) {
  int64_t hits = 0;
  for (auto _ : state) {
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(g_fixture->root / "walk")) {
      const std::string name = entry.path().filename().string();
      if (name.find("take") != std::string::npos && name.ends_with(".wav")) ++hits;
    }
  }
  state.counters["hits"] = static_cast<double>(hits) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_FilesystemWalk)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ListFolder(benchmark::State& state) {
  const QString folder = QString::fromStdString((g_fixture->root / "big").string());
  for (auto _ : state) benchmark::DoNotOptimize(CFolderListing::List(folder));
}
BENCHMARK(BM_ListFolder)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ReadDir(benchmark::State& state) {
  const std::string folder = (g_fixture->root / "big").string();
  for (auto _ : state) {
    std::vector<std::string> names;
    DIR* dir = opendir(folder.c_str());
    while (dirent* entry = readdir(dir)) names.emplace_back(entry->d_name);
    closedir(dir);
    std::sort(names.begin(), names.end());
    benchmark::DoNotOptimize(names);
  }
}
BENCHMARK(BM_ReadDir)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  Fixture fixture;
  g_fixture = &fixture;
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.PrintRatio("search / std::filesystem walk", "BM_Search", "BM_FilesystemWalk");
  reporter.PrintRatio("tree listing / readdir and sort", "BM_ListFolder", "BM_ReadDir");
  benchmark::Shutdown();
  return 0;
}
