// Benchmarks of the slow document extractors: the PDF rewrite, timed against pdffonts (poppler)
// on the same file in the same run, the CorelDRAW chunk extraction and the CorelDRAW container
// extraction (libarchive and libcdr).
//
// The fixtures are the largest PDF of tests/data/documents/pdf, the largest RIFF CorelDRAW
// document of tests/data/documents/coreldraw (the ZIP-based ones hold no "cmpr" chunks) and the
// largest CorelDRAW ZIP container there.

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

const std::string& LargestCorelDrawContainer() {
  static const std::string path =
      LargestFile(DocumentsFolder() + "coreldraw", [](const std::string& p) {
        std::optional<platform::FileView> view = platform::FileView::Open(p);
        return view && corvid::IsCdrZipContainer(view->data(), view->size());
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

// A CorelDRAW container from its mapped bytes: recognition, the drawing's members inflated,
// libcdr's reading of the drawing.
void BM_CdrContainerExtract(benchmark::State& state) {
  const std::string& path = LargestCorelDrawContainer();
  std::optional<platform::FileView> view = platform::FileView::Open(path);
  if (!view) {
    state.SkipWithError("fixture missing");
    return;
  }
  for (auto _ : state) {
    if (corvid::DetectDocumentKind(view->data(), view->size()) != corvid::DocumentKind::CorelDraw) {
      state.SkipWithError("not recognised");
      return;
    }
    corvid::DocumentFontSet set;
    corvid::ExtractCdrContainerFonts(view->data(), view->size(), set);
    benchmark::DoNotOptimize(set);
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(view->size()));
  state.SetLabel(FileName(path));
}

BENCHMARK(BM_Pdffonts)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PdfRewriteAndScan)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PdfRewriteOnly)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_CdrExtract)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_CdrContainerExtract)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
