// ComputeLackFonts with this machine's installed fonts, in milliseconds per call, in the three
// states a call can meet: the inventory kept in the process (every document of a run after the
// first), built from the record of font names (the first document of a new process), and built
// by opening every font file with FreeType (no record yet, or every file changed). The record is
// kept in a temporary cache folder, never the user's own.

#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <string>
#include <vector>

#include "common/file_lister.h"
#include "engine/discovery/font_file_names.h"
#include "engine/discovery/font_name_cache.h"
#include "engine/discovery/installed_fonts.h"
#include "platform/fonts.h"
#include "platform/text_codec.h"

namespace {

namespace fs = std::filesystem;

// Names nobody has installed, so that the font files are needed on every call.
const corvid::DocumentFontSet kDocument = {"Missing-One", "Missing-Two", "TessaroNoSuchFont"};

// A temporary cache folder for the whole program, removed at its end.
class BenchCacheHome {
 public:
  BenchCacheHome() {
    std::string pattern = (fs::temp_directory_path() / "tessaro-bench-XXXXXX").string();
    path_ = mkdtemp(pattern.data());
    setenv("XDG_CACHE_HOME", path_.c_str(), 1);
  }
  ~BenchCacheHome() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
  }
  std::string Record() const {
    return corvid::FontNameCache::FileFor(path_ + "/tessaro",
                                          platform::ResolveCodePage(platform::kAnsiCodePage));
  }

 private:
  std::string path_;
};

const BenchCacheHome& CacheHome() {
  static BenchCacheHome home;
  return home;
}

void CountFiles(benchmark::State& state) {
  std::vector<std::string> files;
  for (const std::string& folder : platform::SystemFontFolders())
    tessaro::CollectFiles(folder, files);
  state.counters["files"] = static_cast<double>(files.size());
  state.counters["record_kb"] =
      static_cast<double>(fs::exists(CacheHome().Record()) ? fs::file_size(CacheHome().Record())
                                                           : 0) /
      1024;
}

void BM_ComputeLackFonts_Kept(benchmark::State& state) {
  CacheHome();
  corvid::ComputeLackFonts(kDocument);
  for (auto _ : state) {
    benchmark::DoNotOptimize(corvid::ComputeLackFonts(kDocument));
  }
  CountFiles(state);
}

void BM_ComputeLackFonts_FromRecord(benchmark::State& state) {
  CacheHome();
  corvid::ComputeLackFonts(kDocument);  // the record is written
  corvid::InventoryStatistics before = corvid::GetInventoryStatistics();
  for (auto _ : state) {
    corvid::ForgetInstalledFonts();
    benchmark::DoNotOptimize(corvid::ComputeLackFonts(kDocument));
  }
  corvid::InventoryStatistics after = corvid::GetInventoryStatistics();
  state.counters["files_read"] = benchmark::Counter(
      static_cast<double>(after.filesRead - before.filesRead), benchmark::Counter::kAvgIterations);
  CountFiles(state);
}

void BM_ComputeLackFonts_ReadingEveryFile(benchmark::State& state) {
  const BenchCacheHome& home = CacheHome();
  corvid::InventoryStatistics before = corvid::GetInventoryStatistics();
  bool gbk = false;
  for (auto _ : state) {
    state.PauseTiming();
    // Another code page for every call, so that the record kept in memory does not serve either,
    // and no record on disk.
    gbk = !gbk;
    platform::SetAnsiCodePage(gbk ? platform::kGbkCodePage : platform::kUtf8CodePage);
    std::error_code ignored;
    fs::remove(home.Record(), ignored);
    state.ResumeTiming();
    benchmark::DoNotOptimize(corvid::ComputeLackFonts(kDocument));
  }
  platform::SetAnsiCodePage(platform::kAnsiCodePage);
  corvid::InventoryStatistics after = corvid::GetInventoryStatistics();
  state.counters["files_read"] = benchmark::Counter(
      static_cast<double>(after.filesRead - before.filesRead), benchmark::Counter::kAvgIterations);
  CountFiles(state);
}

// The parts of a build: the system's enumeration, and the font files' names from the record.
void BM_EnumerateInstalledFaceNames(benchmark::State& state) {
  for (auto _ : state) {
    corvid::InstalledFontSet names;
    platform::EnumerateInstalledFaceNames(&corvid::CollectInstalledFaceNames, &names);
    benchmark::DoNotOptimize(names);
  }
}

void BM_ScanFontFolder_FromRecord(benchmark::State& state) {
  CacheHome();
  corvid::ScanFontFolder();  // the record is written
  for (auto _ : state) benchmark::DoNotOptimize(corvid::ScanFontFolder());
  CountFiles(state);
}

void BM_FontNameCache_Load(benchmark::State& state) {
  const BenchCacheHome& home = CacheHome();
  corvid::ForgetInstalledFonts();
  corvid::ComputeLackFonts(kDocument);  // the record is written
  for (auto _ : state) {
    corvid::FontNameCache record(home.Record(), platform::ResolveCodePage(platform::kAnsiCodePage));
    benchmark::DoNotOptimize(record.Load());
  }
  CountFiles(state);
}

BENCHMARK(BM_ComputeLackFonts_Kept)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ComputeLackFonts_FromRecord)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EnumerateInstalledFaceNames)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScanFontFolder_FromRecord)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FontNameCache_Load)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ComputeLackFonts_ReadingEveryFile)->Unit(benchmark::kMillisecond)->Iterations(2);

}  // namespace

BENCHMARK_MAIN();
