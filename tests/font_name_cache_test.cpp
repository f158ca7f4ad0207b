#include "engine/discovery/font_name_cache.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "test_support.h"

namespace corvid {
namespace {

using namespace std::string_literals;
using platform::FileStamp;
using tessaro_test::ListTree;
using tessaro_test::ReadFile;
using tessaro_test::TempDir;
using tessaro_test::WriteFile;

constexpr platform::CodePage kCodePage = platform::kUtf8CodePage;
constexpr std::int64_t kSecond = 1'000'000'000;
// A reading made long after every stamp below.
constexpr std::int64_t kLater = 1'000'000 * kSecond;

const FileStamp kStampA{756, 100 * kSecond, 101 * kSecond, 42};
const FileStamp kStampB{864, 200 * kSecond + 5, 200 * kSecond + 7, 43};

FontFileContents Contents(std::uint32_t faces, FontFileNames names,
                          std::vector<std::uint32_t> placeholders = {}) {
  return FontFileContents{faces, std::move(names), std::move(placeholders)};
}

std::shared_ptr<const FontFileContents> Shared(const FontFileContents& contents) {
  return std::make_shared<const FontFileContents>(contents);
}

const FontFileContents kFontA = Contents(1, {"?????", "方正兰亭黑", "FZLTH--GBK1-0"}, {0});
const FontFileContents kFontB =
    Contents(2, {"Tessaro Alpha", "TessaroAlpha-Regular", "", "Tessaro Beta"}, {2});
const FontFileContents kNotAFont = Contents(0, {});

// `path`, written with "/", as this platform's paths are: with its own separator.
std::string P(std::string path) {
  std::replace(path.begin(), path.end(), '/', platform::kPathSeparator);
  return path;
}

// A record file holding kFontA at /fonts/a.ttf, kFontB at /fonts/b.ttc and a file that is no font.
std::string WriteRecord(const std::string& file) {
  FontNameCache cache(file, kCodePage);
  cache.BeginScan({P(P("/fonts"))});
  cache.Store(P("/fonts/a.ttf"), kStampA, Shared(kFontA), kLater);
  cache.Store(P("/fonts/b.ttc"), kStampB, Shared(kFontB), kLater);
  cache.Store(P("/fonts/readme.txt"), kStampA, Shared(kNotAFont), kLater);
  EXPECT_TRUE(cache.Save());
  return ReadFile(file);
}

TEST(FontNameCache, WhatIsSavedIsFoundAgainWithTheSameStampOnly) {
  TempDir dir;
  std::string file = FontNameCache::FileFor(dir / "cache", kCodePage);
  EXPECT_EQ(file, dir / "cache/font-names-65001.cache");
  WriteRecord(file);  // the folder is created

  FontNameCache cache(file, kCodePage);
  ASSERT_TRUE(cache.Load());
  EXPECT_EQ(cache.size(), 3u);
  std::shared_ptr<const FontFileContents> a = cache.Find(P("/fonts/a.ttf"), kStampA);
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(*a, kFontA);
  EXPECT_EQ(a->Names(PlaceholderFamilies::kSkip), (FontFileNames{"方正兰亭黑", "FZLTH--GBK1-0"}));
  ASSERT_NE(cache.Find(P("/fonts/b.ttc"), kStampB), nullptr);
  EXPECT_EQ(*cache.Find(P("/fonts/b.ttc"), kStampB), kFontB);
  ASSERT_NE(cache.Find(P("/fonts/readme.txt"), kStampA), nullptr);
  EXPECT_EQ(*cache.Find(P("/fonts/readme.txt"), kStampA), kNotAFont);

  const struct {
    const char* what;
    FileStamp stamp;
  } changed[] = {
      {"another size", {757, kStampA.modified, kStampA.changed, kStampA.id}},
      {"written again", {756, kStampA.modified + 1, kStampA.changed, kStampA.id}},
      {"replaced, times kept", {756, kStampA.modified, kStampA.changed + 1, kStampA.id}},
      {"another file", {756, kStampA.modified, kStampA.changed, 99}},
  };
  for (const auto& c : changed) EXPECT_EQ(cache.Find(P("/fonts/a.ttf"), c.stamp), nullptr) << c.what;
  EXPECT_EQ(cache.Find(P("/fonts/c.ttf"), kStampA), nullptr);
}

TEST(FontNameCache, FilesChangedWithinTheSettleTimeAreNotRecorded) {
  TempDir dir;
  FontNameCache cache(dir / "names.cache", kCodePage, 3 * kSecond);
  cache.BeginScan({P(P("/fonts"))});
  const std::int64_t now = 1000 * kSecond;
  cache.Store(P("/old.ttf"), {1, now - 3 * kSecond, now - 4 * kSecond, 1}, Shared(kFontA), now);
  cache.Store(P("/written.ttf"), {1, now - 2 * kSecond, now - 4 * kSecond, 2}, Shared(kFontA), now);
  cache.Store(P("/replaced.ttf"), {1, now - 9 * kSecond, now - 1, 3}, Shared(kFontA), now);
  cache.Store(P("/future.ttf"), {1, now + kSecond, now + kSecond, 4}, Shared(kFontA), now);
  EXPECT_EQ(cache.size(), 1u);
  EXPECT_NE(cache.Find(P("/old.ttf"), {1, now - 3 * kSecond, now - 4 * kSecond, 1}), nullptr);
  // A file that was recorded and then changed loses its entry even when the change is too new.
  cache.Store(P("/old.ttf"), {2, now - 1, now - 1, 1}, Shared(kFontB), now);
  EXPECT_EQ(cache.size(), 0u);
}

TEST(FontNameCache, EntriesOfVanishedFilesAreDropped) {
  TempDir dir;
  std::string file = dir / "names.cache";
  WriteRecord(file);
  {
    FontNameCache cache(file, kCodePage);
    ASSERT_TRUE(cache.Load());
    cache.BeginScan({P(P("/elsewhere"))});
    cache.Store(P("/fonts2/y.ttf"), kStampA, Shared(kFontA), kLater);
    cache.Store(P("/elsewhere/x.ttf"), kStampA, Shared(kFontA), kLater);
    ASSERT_TRUE(cache.Save());
  }
  const struct {
    const char* what;
    std::vector<std::string> folders;  // the folders the scan lists
    std::vector<std::string> found;    // the files it finds
    std::size_t kept;
  } cases[] = {
      {"a scan of no folder (no fonts configured) drops nothing", {}, {}, 5},
      {"files of other folders are kept; \"/fonts2\" is not inside \"/fonts\"",
       {P(P("/fonts"))},
       {P(P("/fonts/b.ttc"))},
       3},
      {"a file changed since counts as not found", {P(P("/fonts"))}, {P(P("/fonts/b.ttc")), P(P("/fonts/a.ttf"))}, 3},
      {"a whole folder gone", {P(P("/fonts")), P(P("/elsewhere"))}, {P(P("/fonts/b.ttc"))}, 2},
  };
  for (const auto& c : cases) {
    // (Removed first: the C++ library of the Windows build does not copy over a file.)
    std::filesystem::remove(dir / "copy.cache");
    std::filesystem::copy_file(file, dir / "copy.cache");
    FontNameCache cache(dir / "copy.cache", kCodePage);
    ASSERT_TRUE(cache.Load()) << c.what;
    cache.BeginScan(c.folders);
    for (const std::string& path : c.found) {
      // a.ttf changed: its recorded stamp is kStampA
      cache.Find(path, kStampB);
    }
    EXPECT_TRUE(cache.Save()) << c.what;
    FontNameCache saved(dir / "copy.cache", kCodePage);
    ASSERT_TRUE(saved.Load()) << c.what;
    EXPECT_EQ(saved.size(), c.kept) << c.what;
  }
}

TEST(FontNameCache, UnchangedRecordIsNotWrittenAgain) {
  TempDir dir;
  std::string file = dir / "names.cache";
  WriteRecord(file);
  // A day back, a time that every file system keeps exactly.
  const std::filesystem::file_time_type before =
      std::filesystem::last_write_time(file) - std::chrono::hours(24);
  std::filesystem::last_write_time(file, before);
  FontNameCache cache(file, kCodePage);
  ASSERT_TRUE(cache.Load());
  cache.BeginScan({P(P("/fonts"))});
  cache.Find(P("/fonts/a.ttf"), kStampA);
  cache.Find(P("/fonts/b.ttc"), kStampB);
  cache.Find(P("/fonts/readme.txt"), kStampA);
  EXPECT_TRUE(cache.Save());
  EXPECT_EQ(std::filesystem::last_write_time(file), before);
}

// The layout is fixed byte for byte: little-endian integers, no padding, whatever the host.
TEST(FontNameCache, FileLayout) {
  TempDir dir;
  std::string file = dir / "names.cache";
  FontNameCache cache(file, kCodePage);
  cache.BeginScan({P(P("/fonts"))});
  cache.Store("/f", {0x0102, 0x0304, -2, 0x05}, Shared(Contents(3, {"", "N"}, {0})), kLater);
  ASSERT_TRUE(cache.Save());
  std::string bytes = ReadFile(file);
  std::string payload =
      "\x02\0\0\0/f"s                      // path
      "\x02\x01\0\0\0\0\0\0"s              // size
      "\x04\x03\0\0\0\0\0\0"s              // modified
      "\xFE\xFF\xFF\xFF\xFF\xFF\xFF\xFF"s  // changed, -2
      "\x05\0\0\0\0\0\0\0"s                // id
      "\x03\0\0\0"s                        // faces
      "\x02\0\0\0"s                        // names
      "\x01\0\0\0\0"s                      // a placeholder family, empty
      "\x00\x01\0\0\0N"s;
  ASSERT_EQ(bytes.size(), 48 + payload.size());
  EXPECT_EQ(bytes.substr(0, 8), "TSRFNAME");
  EXPECT_EQ(bytes.substr(8, 4), "\x01\0\0\0"s);   // format version
  EXPECT_EQ(bytes.substr(12, 4), "\x01\0\0\0"s);  // reading revision
  std::uint32_t library = FontLibraryVersion();
  EXPECT_EQ(bytes.substr(16, 4), std::string({static_cast<char>(library & 0xFF),
                                              static_cast<char>((library >> 8) & 0xFF),
                                              static_cast<char>((library >> 16) & 0xFF), 0}));
  EXPECT_EQ(bytes.substr(20, 4), "\xE9\xFD\0\0"s);  // 65001
  EXPECT_EQ(bytes.substr(24, 8), "\x01\0\0\0\0\0\0\0"s);
  EXPECT_EQ(bytes.substr(32, 8),
            std::string(1, static_cast<char>(payload.size())) + "\0\0\0\0\0\0\0"s);
  EXPECT_EQ(bytes.substr(48), payload);
}

void Put32(std::string& bytes, std::size_t offset, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[offset + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

// A damaged, cut, foreign or outdated file is ignored whole and replaced by the next save.
TEST(FontNameCache, UntrustworthyFilesAreIgnoredAndRebuilt) {
  TempDir dir;
  const std::string good = WriteRecord(dir / "good.cache");
  ASSERT_GT(good.size(), 200u);
  auto with = [&](std::size_t offset, char value) {
    std::string bytes = good;
    bytes[offset] = value;
    return bytes;
  };
  auto with32 = [&](std::size_t offset, std::uint32_t value) {
    std::string bytes = good;
    Put32(bytes, offset, value);
    return bytes;
  };
  const struct {
    const char* what;
    std::string bytes;
  } cases[] = {
      {"empty", ""},
      {"cut inside the header", good.substr(0, 30)},
      {"header only", good.substr(0, 48)},
      {"cut inside the payload", good.substr(0, good.size() - 3)},
      {"one byte more", good + "x"},
      {"a payload byte changed", with(100, good[100] ^ 0x20)},
      {"the last byte changed", with(good.size() - 1, good.back() ^ 1)},
      {"another magic", with(0, 'X')},
      {"another format version", with32(8, 2)},
      {"another reading revision", with32(12, kFontFileNamesRevision + 1)},
      {"another FreeType", with32(16, FontLibraryVersion() + 1)},
      {"another code page", with32(20, platform::kGbkCodePage)},
      {"more entries than bytes", with32(24, 0xFFFFFFFF)},
      {"one entry fewer", with32(24, 2)},
      {"a payload size that does not match", with32(32, 7)},
      {"not a record at all", std::string(4096, '\xFF')},
      {"a text file", "font-names\n"},
  };
  for (const auto& c : cases) {
    std::string file = dir / "names.cache";
    WriteFile(file, c.bytes);
    FontNameCache cache(file, kCodePage);
    EXPECT_FALSE(cache.Load()) << c.what;
    EXPECT_EQ(cache.size(), 0u) << c.what;
    EXPECT_EQ(cache.Find(P("/fonts/a.ttf"), kStampA), nullptr) << c.what;
    // The next scan writes a sound file in its place.
    cache.BeginScan({P(P("/fonts"))});
    cache.Store(P("/fonts/a.ttf"), kStampA, Shared(kFontA), kLater);
    EXPECT_TRUE(cache.Save()) << c.what;
    FontNameCache again(file, kCodePage);
    EXPECT_TRUE(again.Load()) << c.what;
    EXPECT_EQ(again.size(), 1u) << c.what;
  }
}

// What cannot be written within the bounds is not recorded: it is read again each time.
TEST(FontNameCache, WhatBreaksTheBoundsIsNotRecorded) {
  TempDir dir;
  std::string file = dir / "names.cache";
  auto record = [&](const std::string& path, const FontFileContents& contents) {
    std::filesystem::remove(file);
    FontNameCache cache(file, kCodePage);
    cache.BeginScan({P(P("/fonts"))});
    cache.Store(path, kStampA, Shared(contents), kLater);
    cache.Save();
    return cache.size();
  };
  EXPECT_EQ(record("/huge.ttf", Contents(1, {std::string(70000, 'x')})), 0u);
  EXPECT_EQ(record("", kFontA), 0u);
  EXPECT_EQ(record("/bad.ttf", Contents(1, {"a"}, {1})), 0u);  // placeholder past the names
  EXPECT_EQ(record("/ok.ttf", kFontA), 1u);
  FontNameCache cache(file, kCodePage);
  EXPECT_TRUE(cache.Load());
}

// Savers racing on one file, as processes do: every reader sees a whole file, old or new.
TEST(FontNameCache, ConcurrentSaversNeverLeaveADamagedFile) {
  TempDir dir;
  std::string file = dir / "names.cache";
  WriteRecord(file);
  std::atomic<bool> done{false};
  std::atomic<int> failedLoads{0};
  std::vector<std::thread> savers;
  for (int t = 0; t < 4; ++t) {
    savers.emplace_back([&, t] {
      for (int round = 0; round < 50; ++round) {
        FontNameCache cache(file, kCodePage);
        cache.Load();
        cache.BeginScan({P(P("/fonts"))});
        for (int i = 0; i <= (round + t) % 7; ++i) {
          cache.Store(P("/fonts/") + std::to_string(t) + "-" + std::to_string(i) + ".ttf", kStampB,
                      Shared(kFontB), kLater);
        }
        cache.Save();
      }
    });
  }
  std::thread reader([&] {
    while (!done) {
      FontNameCache cache(file, kCodePage);
      if (!cache.Load()) ++failedLoads;
    }
  });
  for (std::thread& saver : savers) saver.join();
  done = true;
  reader.join();
  EXPECT_EQ(failedLoads.load(), 0);
  FontNameCache cache(file, kCodePage);
  EXPECT_TRUE(cache.Load());
  EXPECT_EQ(ListTree(dir.path()), std::vector<std::string>{"names.cache"});  // no temporary left
}

}  // namespace
}  // namespace corvid
