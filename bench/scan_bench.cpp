// The document scans on a 256 MB synthetic document, against one memchr pass over it.
//
// The filler is pseudo-random bytes that never hold 0xFF, so memchr for 0xFF reads the whole
// buffer: the cost of merely touching every byte. Markers are sparse, as in real documents where
// the font lists are a tiny part of the image data. Each scan reports its throughput and its
// time as a multiple of the memchr pass ("x_memchr"); the goal is at most 4.

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstring>
#include <string>
#include <vector>

#include "engine/discovery/document_kind.h"
#include "engine/discovery/marker_scans.h"

namespace {

using corvid::Byte;

constexpr std::size_t kDocumentSize = 256u << 20;

void Place(std::vector<Byte>& doc, std::size_t at, const std::string& text) {
  std::memcpy(doc.data() + at, text.data(), text.size());
}

const std::vector<Byte>& SyntheticDocument() {
  static const std::vector<Byte> doc = [] {
    std::vector<Byte> d(kDocumentSize);
    std::uint64_t x = 0x9E3779B97F4A7C15ull;
    for (std::size_t i = 0; i < d.size(); i += 8) {
      x ^= x << 13, x ^= x >> 7, x ^= x << 17;
      for (int k = 0; k < 8; ++k) {
        Byte b = static_cast<Byte>(x >> (8 * k));
        d[i + k] = b == 0xFF ? 0xFE : b;
      }
    }
    // A Photoshop font list near the start: the backward search for it crosses the whole file.
    Place(d, 1024,
          "/DocumentResources << /FontSet << /Resources [ << /Name (ArialMT) >> << /Name "
          "(MyriadPro-Regular) >> >> >> >> ]");
    // A font descriptor every 4 MiB, one XMP font list, one cmpr chunk tag.
    for (std::size_t at = 4u << 20; at + 64 < d.size(); at += 4u << 20) {
      Place(d, at, "/FontName /ABCDEF+Font" + std::to_string(at >> 20) + "\n");
    }
    Place(d, 100u << 20,
          "<xmpTPg:Fonts><stFnt:fontName>Arial-BoldMT</stFnt:fontName></xmpTPg:Fonts>");
    Place(d, 200u << 20, "cmpr");
    return d;
  }();
  return doc;
}

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// Each iteration times one memchr pass too, outside the measured time, so that the ratio
// compares the two under the same conditions (caches, clock speed).
template <typename Scan>
void RunScan(benchmark::State& state, Scan scan) {
  const auto& doc = SyntheticDocument();
  double scanSeconds = 0;
  double memchrSeconds = 0;
  for (auto _ : state) {
    state.PauseTiming();
    auto start = std::chrono::steady_clock::now();
    benchmark::DoNotOptimize(std::memchr(doc.data(), 0xFF, doc.size()));
    memchrSeconds += Seconds(start);
    state.ResumeTiming();
    start = std::chrono::steady_clock::now();
    scan(doc.data(), doc.size());
    scanSeconds += Seconds(start);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * doc.size()));
  state.counters["x_memchr"] = scanSeconds / memchrSeconds;
}

void BM_Memchr(benchmark::State& state) {
  RunScan(state, [](const Byte* bytes, std::size_t size) {
    benchmark::DoNotOptimize(std::memchr(bytes, 0xFF, size));
  });
}

void BM_DetectDocumentKind(benchmark::State& state) {
  RunScan(state, [](const Byte* bytes, std::size_t size) {
    benchmark::DoNotOptimize(corvid::DetectDocumentKind(bytes, size));
  });
}

void BM_ScanFontNameMarkers(benchmark::State& state) {
  RunScan(state, [](const Byte* bytes, std::size_t size) {
    corvid::DocumentFontSet set;
    corvid::ScanFontNameMarkers(bytes, size, set);
    if (set.size() < 60) std::abort();  // the scan must find the planted names
  });
}

void BM_ScanPhotoshopFontSet(benchmark::State& state) {
  RunScan(state, [](const Byte* bytes, std::size_t size) {
    corvid::DocumentFontSet set;
    corvid::ScanPhotoshopFontSet(bytes, size, set);
    if (set.size() != 2) std::abort();
  });
}

BENCHMARK(BM_Memchr)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_DetectDocumentKind)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_ScanFontNameMarkers)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_ScanPhotoshopFontSet)->Unit(benchmark::kMillisecond)->MinTime(1.0);

}  // namespace
