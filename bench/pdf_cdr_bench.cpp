// Benchmarks of the slow document extractors: the PDF rewrite, timed against pdffonts (poppler)
// on the same file in the same run, the CorelDRAW chunk extraction and the CorelDRAW container
// extraction (members read with libarchive, the font table and the metadata file).
//
// The fixtures are the largest PDF of tests/data/documents/pdf, the largest RIFF CorelDRAW
// document of tests/data/documents/coreldraw and one CorelDRAW ZIP container of each layout
// there: X4 (a RIFF drawing in the container), X5 (the same, beside a large colour profile that
// is stepped over) and X6 and later (the font table in data streams).

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "engine/discovery/cdr_container.h"
#include "engine/discovery/cdr_fonts.h"
#include "engine/discovery/document_font_set.h"
#include "engine/discovery/document_kind.h"
#include "engine/discovery/pdf_fonts.h"
#include "engine/discovery/pdf_rewrite.h"
#include "platform/file_view.h"
#include "platform/process.h"

namespace {

using Clock = std::chrono::steady_clock;

std::string DocumentsFolder() { return std::string(TESSARO_TEST_DATA) + "/documents/"; }

// The largest file of `folder` for which `accept` holds, or "" when there is none.
template <typename Accept>
std::string LargestFile(const std::string& folder, Accept accept) {
  std::string best;
  std::uintmax_t bestSize = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    if (!entry.is_regular_file() || entry.file_size() <= bestSize) continue;
    if (!accept(entry.path().string())) continue;
    best = entry.path().string();
    bestSize = entry.file_size();
  }
  return best;
}

const std::string& LargestPdf() {
  static const std::string path = LargestFile(DocumentsFolder() + "pdf", [](const std::string& p) {
    return std::filesystem::path(p).extension() == ".pdf";
  });
  return path;
}

const std::string& LargestCorelDraw() {
  static const std::string path =
      LargestFile(DocumentsFolder() + "coreldraw", [](const std::string& p) {
        std::optional<platform::FileView> view = platform::FileView::Open(p);
        return view && corvid::CdrDocumentVersion(view->data(), view->size()) != 0;
      });
  return path;
}

std::string FileName(const std::string& path) {
  return std::filesystem::path(path).filename().string();
}

// One run of pdffonts over the file, in seconds; nullopt when pdffonts cannot be run.
std::optional<double> TimePdffonts(const std::string& path) {
  Clock::time_point start = Clock::now();
  platform::RunResult result =
      platform::RunHiddenProgram("pdffonts", "\"" + path + "\"", std::chrono::seconds(60));
  double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  if (result.outcome != platform::RunOutcome::kExited || result.exitCode != 0) return std::nullopt;
  return seconds;
}

// The median of several pdffonts runs, measured once per benchmark process.
std::optional<double> PdffontsSeconds() {
  static const std::optional<double> median = [] {
    std::vector<double> runs;
    for (int i = 0; i < 9; ++i) {
      std::optional<double> run = TimePdffonts(LargestPdf());
      if (!run) return std::optional<double>();
      runs.push_back(*run);
    }
    std::sort(runs.begin(), runs.end());
    return std::optional<double>(runs[runs.size() / 2]);
  }();
  return median;
}

void BM_Pdffonts(benchmark::State& state) {
  const std::string& path = LargestPdf();
  for (auto _ : state) {
    if (!TimePdffonts(path)) {
      state.SkipWithError("pdffonts (poppler-utils) cannot be run");
      break;
    }
  }
  state.SetLabel(FileName(path));
}

// What the analysis of a PDF pays on top of the direct scan: read, rewrite and scan again. The
// counter x_pdffonts is this time divided by the median time of pdffonts on the same file.
void BM_PdfRewriteAndScan(benchmark::State& state) {
  const std::string& path = LargestPdf();
  std::optional<double> pdffonts = PdffontsSeconds();
  Clock::time_point start = Clock::now();
  for (auto _ : state) {
    corvid::DocumentFontSet set;
    corvid::ExtractPdfFonts(path, set);
    benchmark::DoNotOptimize(set);
  }
  double perRun = std::chrono::duration<double>(Clock::now() - start).count() /
                  static_cast<double>(state.iterations());
  if (pdffonts) {
    state.counters["pdffonts_ms"] = *pdffonts * 1e3;
    state.counters["x_pdffonts"] = perRun / *pdffonts;
  }
  state.SetBytesProcessed(state.iterations() *
                          static_cast<std::int64_t>(std::filesystem::file_size(path)));
  state.SetLabel(FileName(path));
}

// The qpdf rewrite alone, from bytes already in memory.
void BM_PdfRewriteOnly(benchmark::State& state) {
  const std::string& path = LargestPdf();
  std::optional<platform::FileView> view = platform::FileView::Open(path);
  if (!view) {
    state.SkipWithError("fixture missing");
    return;
  }
  for (auto _ : state) {
    auto rewritten = corvid::RewritePdfOneEntryPerLine(view->data(), view->size());
    benchmark::DoNotOptimize(rewritten);
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(view->size()));
  state.SetLabel(FileName(path));
}

// The whole CorelDRAW extraction over a mapped document: chunk walk, inflation, record scan.
void BM_CdrExtract(benchmark::State& state) {
  const std::string& path = LargestCorelDraw();
  std::optional<platform::FileView> view = platform::FileView::Open(path);
  if (!view) {
    state.SkipWithError("fixture missing");
    return;
  }
  for (auto _ : state) {
    corvid::DocumentFontSet set;
    corvid::ExtractCdrFonts(view->data(), view->size(), set);
    benchmark::DoNotOptimize(set);
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(view->size()));
  state.SetLabel(FileName(path));
}

// A CorelDRAW container from its mapped bytes: recognition, the font table's members inflated
// and read (for X6 and later the referenced data streams in a second pass), the metadata file.
void BM_CdrContainerExtract(benchmark::State& state, const char* file) {
  const std::string path = DocumentsFolder() + "coreldraw/" + file;
  std::optional<platform::FileView> view = platform::FileView::Open(path);
  if (!view) {
    state.SkipWithError("fixture missing");
    return;
  }
  std::size_t fonts = 0;
  for (auto _ : state) {
    if (!corvid::IsCdrZipContainer(view->data(), view->size()) ||
        corvid::DetectDocumentKind(view->data(), view->size()) != corvid::DocumentKind::CorelDraw) {
      state.SkipWithError("not recognised");
      return;
    }
    corvid::DocumentFontSet set;
    corvid::ExtractCdrContainerFonts(view->data(), view->size(), set);
    fonts = set.size();
    benchmark::DoNotOptimize(set);
  }
  state.counters["fonts"] = static_cast<double>(fonts);
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(view->size()));
  state.SetLabel(file);
}

BENCHMARK(BM_Pdffonts)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PdfRewriteAndScan)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PdfRewriteOnly)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_CdrExtract)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_CdrContainerExtract, x4, "groupdocs-sample-x4.cdr")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(BM_CdrContainerExtract, x5, "xapian-test2-x5.cdr")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(BM_CdrContainerExtract, x6, "TextHintTest-x4.cdr")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
