// ComputeLackFonts with this machine's installed fonts, in milliseconds per call. Every call
// enumerates the installed faces and reads every file of the font folders, as designed: no
// inventory is cached between calls.

#include <benchmark/benchmark.h>

#include "common/file_lister.h"
#include "engine/discovery/font_file_names.h"
#include "engine/discovery/installed_fonts.h"
#include "platform/fonts.h"

namespace {

void BM_ComputeLackFonts(benchmark::State& state) {
  std::vector<std::string> files;
  for (const std::string& folder : platform::SystemFontFolders()) tessaro::CollectFiles(folder, files);
  std::size_t fontFiles = 0;
  corvid::FontFileReader reader;
  for (const std::string& file : files) {
    if (!reader.Read(file, corvid::PlaceholderFamilies::kKeep).empty()) ++fontFiles;
  }
  // Names nobody has installed, so that the font folders are read on every call.
  const corvid::DocumentFontSet document = {"Missing-One", "Missing-Two", "TessaroNoSuchFont"};
  for (auto _ : state) {
    benchmark::DoNotOptimize(corvid::ComputeLackFonts(document));
  }
  state.counters["files"] = static_cast<double>(files.size());
  state.counters["font_files"] = static_cast<double>(fontFiles);
}

BENCHMARK(BM_ComputeLackFonts)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
