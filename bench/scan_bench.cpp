// The document scans on a 256 MB synthetic document, against one memchr pass over it.
//
// The filler is pseudo-random bytes that never hold 0xFF, so memchr for 0xFF reads the whole
// buffer: the cost of merely touching every byte. Markers are sparse, as in real documents where
// the font lists are a tiny part of the image data. Each scan reports its throughput and its
// time as a multiple of the memchr pass ("x_memchr"); the goal is at most 4.
//
// The Photoshop font lists of current versions are measured on a real document of Photoshop CC
// 2018 padded with the filler to 256 MB, as its image data would pad it (the text engine data lie
// before the image data), and, as the worst case, on its bytes repeated to 256 MB: thousands of
// font lists to read.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "engine/discovery/document_kind.h"
#include "engine/discovery/marker_scans.h"
#include "engine/discovery/pdf_fonts.h"
#include "engine/discovery/photoshop_font_lists.h"

namespace {

using corvid::Byte;

constexpr std::size_t kDocumentSize = 256u << 20;

void Place(std::vector<Byte>& doc, std::size_t at, const std::string& text) {
  std::memcpy(doc.data() + at, text.data(), text.size());
}

// kDocumentSize bytes of pseudo-random filler without 0xFF.
std::vector<Byte> Filler() {
  std::vector<Byte> d(kDocumentSize);
  std::uint64_t x = 0x9E3779B97F4A7C15ull;
  for (std::size_t i = 0; i < d.size(); i += 8) {
    x ^= x << 13, x ^= x >> 7, x ^= x << 17;
    for (int k = 0; k < 8; ++k) {
      Byte b = static_cast<Byte>(x >> (8 * k));
      d[i + k] = b == 0xFF ? 0xFE : b;
    }
  }
  return d;
}

std::string ReadFixture(const std::string& relative) {
  std::ifstream in(std::string(TESSARO_TEST_DATA) + "/documents/" + relative, std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (bytes.empty()) std::abort();
  return bytes;
}

const char kCurrentPhotoshopFixture[] = "photoshop/effect-stroke-gradient-cc2018.psd";

// The Photoshop CC 2018 document at the start, the filler after it.
const std::vector<Byte>& PaddedPhotoshopDocument() {
  static const std::vector<Byte> doc = [] {
    std::vector<Byte> d = Filler();
    Place(d, 0, ReadFixture(kCurrentPhotoshopFixture));
    return d;
  }();
  return doc;
}

// The Photoshop CC 2018 document's bytes again and again.
const std::vector<Byte>& RepeatedPhotoshopDocument() {
  static const std::vector<Byte> doc = [] {
    const std::string fixture = ReadFixture(kCurrentPhotoshopFixture);
    std::vector<Byte> d(kDocumentSize);
    for (std::size_t at = 0; at < d.size(); at += fixture.size()) {
      std::memcpy(d.data() + at, fixture.data(), std::min(fixture.size(), d.size() - at));
    }
    return d;
  }();
  return doc;
}

const std::vector<Byte>& SyntheticDocument() {
  static const std::vector<Byte> doc = [] {
    std::vector<Byte> d = Filler();
    // A Photoshop font list near the start: the backward search for it crosses the whole file.
    Place(d, 1024,
          "/DocumentResources << /FontSet << /Resources [ << /Name (ArialMT) >> << /Name "
          "(MyriadPro-Regular) >> >> >> >> ]");
    // A font descriptor every 4 MiB, one XMP font list, one cmpr chunk tag.
    for (std::size_t at = 4u << 20; at + 64 < d.size(); at += 4u << 20) {
      Place(d, at, "/FontName /ABCDEF+Font" + std::to_string(at >> 20) + "\n");
    }
    // A font dictionary without descriptor, laid out as the PDF rewrite writes it, every 4 MiB.
    for (std::size_t at = 6u << 20; at + 128 < d.size(); at += 4u << 20) {
      Place(d, at,
            "\n<<\n  /BaseFont /CIDFont" + std::to_string(at >> 20) +
                "\n  /CIDSystemInfo <<\n    /Ordering (Japan1)\n  >>\n  /Subtype "
                "/CIDFontType2\n>>\n");
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
// compares the two under the same conditions (caches, clock speed). The pass always reads the
// synthetic document, whose filler has no 0xFF: a real document's bytes would stop it early.
// Every document is kDocumentSize bytes, far more than the caches hold.
template <typename Scan>
void RunScanOver(benchmark::State& state, const std::vector<Byte>& doc, Scan scan) {
  const auto& whole = SyntheticDocument();
  double scanSeconds = 0;
  double memchrSeconds = 0;
  for (auto _ : state) {
    state.PauseTiming();
    auto start = std::chrono::steady_clock::now();
    benchmark::DoNotOptimize(std::memchr(whole.data(), 0xFF, whole.size()));
    memchrSeconds += Seconds(start);
    state.ResumeTiming();
    start = std::chrono::steady_clock::now();
    scan(doc.data(), doc.size());
    scanSeconds += Seconds(start);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * doc.size()));
  state.counters["x_memchr"] = scanSeconds / memchrSeconds;
}

template <typename Scan>
void RunScan(benchmark::State& state, Scan scan) {
  RunScanOver(state, SyntheticDocument(), scan);
}

const corvid::DocumentFontSet kCurrentPhotoshopFonts = {"AdobeInvisFont", "Arial-BoldMT",
                                                        "KozGoPr6N-Regular", "MyriadPro-Regular"};

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

// The BaseFont scan reads the PDF rewrite; here it reads the same synthetic block as the others.
void BM_ScanDescriptorlessFontNames(benchmark::State& state) {
  RunScan(state, [](const Byte* bytes, std::size_t size) {
    corvid::DocumentFontSet set;
    corvid::ScanDescriptorlessFontNames(bytes, size, set);
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

void BM_ScanPhotoshopFontLists(benchmark::State& state) {
  RunScanOver(state, PaddedPhotoshopDocument(), [](const Byte* bytes, std::size_t size) {
    corvid::DocumentFontSet set;
    corvid::ScanPhotoshopFontLists(bytes, size, set);
    if (set != kCurrentPhotoshopFonts) std::abort();
  });
}

// What a current Photoshop document costs in all: its kind, then both font-list scans.
void BM_CurrentPhotoshopDocument(benchmark::State& state) {
  RunScanOver(state, PaddedPhotoshopDocument(), [](const Byte* bytes, std::size_t size) {
    if (corvid::DetectDocumentKind(bytes, size) != corvid::DocumentKind::Photoshop) std::abort();
    corvid::DocumentFontSet set;
    corvid::ScanPhotoshopFontSet(bytes, size, set);
    corvid::ScanPhotoshopFontLists(bytes, size, set);
    if (set != kCurrentPhotoshopFonts) std::abort();
  });
}

void BM_ScanPhotoshopFontListsRepeated(benchmark::State& state) {
  RunScanOver(state, RepeatedPhotoshopDocument(), [](const Byte* bytes, std::size_t size) {
    corvid::DocumentFontSet set;
    corvid::ScanPhotoshopFontLists(bytes, size, set);
    if (set != kCurrentPhotoshopFonts) std::abort();
  });
}

BENCHMARK(BM_Memchr)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_DetectDocumentKind)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_ScanFontNameMarkers)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_ScanDescriptorlessFontNames)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_ScanPhotoshopFontSet)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_ScanPhotoshopFontLists)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_CurrentPhotoshopDocument)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_ScanPhotoshopFontListsRepeated)->Unit(benchmark::kMillisecond)->MinTime(1.0);

}  // namespace
