// DecodeFiles and the archive extraction behind it, on real archives: RAR 4 and 5 fixtures,
// ZIP, 7z and tar archives written here from Debian's free fonts, and hostile archives.

#include "engine/acquire/archive_extraction.h"

#include <archive.h>
#include <archive_entry.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "engine/include/corvid/corvid.h"
#include "platform/filesystem.h"
#include "platform/text_codec.h"
#include "tests/archive_support.h"
#include "tests/test_support.h"

namespace {

using tessaro_test::Ansi;
using tessaro_test::DataPath;
using tessaro_test::Format;
using tessaro_test::ListTree;
using tessaro_test::Member;
using tessaro_test::ReadFile;
using tessaro_test::SymlinksWork;
using tessaro_test::SystemFont;
using tessaro_test::TempDir;
using tessaro_test::Utf8Path;
using tessaro_test::WithoutLinksUnlessSupported;
using tessaro_test::WriteArchive;
using tessaro_test::WriteFile;
using Tree = std::vector<std::string>;

std::string Archive(const std::string& name) { return DataPath("archives/" + name); }

// The name, in UTF-8, under which a member stored as the bytes of `utf8` without a declared
// encoding comes out: as those bytes on POSIX, read in the ANSI code page on Windows.
std::string LegacyName(const std::string& utf8) {
  if (!platform::LegacyNameCharset()) return utf8;
  return platform::ConvertCodePage(utf8, platform::kAnsiCodePage, platform::kUtf8CodePage)
      .value_or(utf8);
}

// `relative`, written with "/", in this platform's separators.
std::string Native(std::string relative) {
  std::replace(relative.begin(), relative.end(), '/', platform::kPathSeparator);
  return relative;
}

TEST(ArchiveExtractionTest, RarFixturesUnpackWithTheirFolders) {
  const struct {
    const char* archive;
    Tree tree;
  } cases[] = {
      {"test_read_format_rar.rar",
       {"test.txt (20)", "testdir/", "testdir/test.txt (20)", "testemptydir/",
        "testlink -> test.txt"}},
      {"test_read_format_rar_compress_normal.rar",
       {"LibarchiveAddingTest.html (20111)", "testdir/",
        "testdir/LibarchiveAddingTest.html (20111)", "testdir/test.txt (20)", "testemptydir/",
        "testlink -> LibarchiveAddingTest.html"}},
      {"test_read_format_rar5_compressed.rar", {"test.bin (1200)"}},
      {"test_read_format_rar5_multiple_files.rar",
       {"test1.bin (4096)", "test2.bin (4096)", "test3.bin (4096)", "test4.bin (4096)"}},
      {"test_read_format_rar5_solid.rar",
       {"test.bin (1200)", "test1.bin (4096)", "test2.bin (4096)", "test3.bin (4096)",
        "test4.bin (4096)", "test5.bin (4096)", "test6.bin (4096)"}},
      {"test_read_format_rar5_symlink.rar",
       {"dir/", "dirlink -> dir", "file.txt (5)", "symlink.txt -> file.txt"}},
      // Unicode names, but for the first file, whose name is stored as UTF-8 bytes only.
      {"test_read_format_rar_unicode.rar",
       {LegacyName("abcdefghijklmnopqrsテスト.txt") + " (16)", "表だよ/",
        "表だよ/ファイル -> 漢字長いファイル名long-filename-in-漢字.txt", "表だよ/新しいフォルダ/",
        "表だよ/新しいフォルダ/新規テキスト ドキュメント.txt (0)",
        "表だよ/漢字長いファイル名long-filename-in-漢字.txt (5)"}},
      // Encrypted members are skipped without a question; the plain ones come out.
      {"test_read_format_rar4_encrypted.rar", {"a.txt (18)", "c.txt (18)"}},
      {"test_read_format_rar5_encrypted.rar", {"a.txt (18)", "c.txt (18)"}},
      // The one member's data is cut off: nothing, not even a part of it.
      {"test_read_format_rar_invalid1.rar", {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.archive);
    TempDir dest;
    DecodeFiles(Archive(c.archive).c_str(), dest.path().c_str());
    Tree expected = WithoutLinksUnlessSupported(c.tree);
    std::sort(expected.begin(), expected.end());  // the legacy name may sort elsewhere
    EXPECT_EQ(ListTree(dest.path(), true), expected);
  }
}

TEST(ArchiveExtractionTest, RarContentsAreTheArchivedBytes) {
  TempDir dest;
  DecodeFiles(Archive("test_read_format_rar.rar").c_str(), dest.path().c_str());
  EXPECT_EQ(ReadFile(dest / "test.txt"), ReadFile(dest / "testdir/test.txt"));
  if (SymlinksWork()) {
    EXPECT_EQ(ReadFile(dest / "testlink"), ReadFile(dest / "test.txt"));
  }
  EXPECT_EQ(ReadFile(dest / "test.txt").substr(0, 4), "test");
}

std::vector<Member> FontPackage() {
  return {
      {Member::kFolder, "Fonts/", ""},
      {Member::kFile, "Fonts/DejaVuSans.ttf", ReadFile(SystemFont("DejaVuSans.ttf"))},
      {Member::kFile, "Fonts/Serif/LiberationSerif-Regular.ttf",
       ReadFile(SystemFont("LiberationSerif-Regular.ttf"))},
      {Member::kFile, "readme.txt", "free fonts\n"},
  };
}

TEST(ArchiveExtractionTest, ZipSevenZipAndTarOfFreeFonts) {
  for (Format format : {Format::kZip, Format::kSevenZip, Format::kTar}) {
    SCOPED_TRACE(static_cast<int>(format));
    TempDir work;
    std::string archive = work / "fonts.pkg";
    ASSERT_TRUE(WriteArchive(archive, format, FontPackage()));
    std::string dest = work / "out";
    std::filesystem::create_directory(dest);
    DecodeFiles(archive.c_str(), dest.c_str());
    EXPECT_EQ(ListTree(dest), (Tree{"Fonts/", "Fonts/DejaVuSans.ttf", "Fonts/Serif/",
                                    "Fonts/Serif/LiberationSerif-Regular.ttf", "readme.txt"}));
    EXPECT_EQ(ReadFile(dest + "/Fonts/DejaVuSans.ttf"), ReadFile(SystemFont("DejaVuSans.ttf")));
    EXPECT_EQ(ReadFile(dest + "/Fonts/Serif/LiberationSerif-Regular.ttf"),
              ReadFile(SystemFont("LiberationSerif-Regular.ttf")));
    EXPECT_EQ(ReadFile(dest + "/readme.txt"), "free fonts\n");
  }
}

TEST(ArchiveExtractionTest, ExistingFilesAreReplaced) {
  TempDir work;
  std::string archive = work / "fonts.zip";
  ASSERT_TRUE(WriteArchive(archive, Format::kZip, FontPackage()));
  std::string dest = work / "out";
  WriteFile(dest + "/readme.txt", "an older and much longer readme text\n");
  WriteFile(dest + "/Fonts/DejaVuSans.ttf", "old");
  WriteFile(dest + "/unrelated.txt", "stays");
  DecodeFiles(archive.c_str(), dest.c_str());
  EXPECT_EQ(ReadFile(dest + "/readme.txt"), "free fonts\n");
  EXPECT_EQ(ReadFile(dest + "/Fonts/DejaVuSans.ttf"), ReadFile(SystemFont("DejaVuSans.ttf")));
  EXPECT_EQ(ReadFile(dest + "/unrelated.txt"), "stays");
}

// The archive and the folder are named in the ANSI code page (Chinese where it holds Chinese);
// the members keep their Chinese names whatever the code page.
TEST(ArchiveExtractionTest, PathsWithSpacesAndChineseCharacters) {
  const std::string font = ReadFile(SystemFont("DejaVuSans.ttf"));
  const bool chineseSystem = Ansi("字体") != "??";
  const std::string archiveName = chineseSystem ? "字体 包" : "police d'écriture";
  const std::string folderName = chineseSystem ? "解 压" : "décompressé";
  // (On POSIX libarchive's 7-Zip writer takes names in the C library's locale, which holds no
  // Chinese in the tests' plain C locale; on Windows it takes them in UTF-16.)
  std::vector<Format> formats = {Format::kZip};
  if (tessaro_test::kWideNames) formats.push_back(Format::kSevenZip);
  for (Format format : formats) {
    SCOPED_TRACE(static_cast<int>(format));
    TempDir work;
    const std::filesystem::path archive = work.path() / Utf8Path(archiveName + ".pkg");
    ASSERT_TRUE(WriteArchive(
        archive, format,
        {{Member::kFile, "宋体 常规/DejaVuSans.ttf", font}, {Member::kFile, "黑体.ttf", font}}));
    const std::filesystem::path dest = work.path() / Utf8Path(folderName);
    std::filesystem::create_directory(dest);
    DecodeFiles((work / Ansi(archiveName + ".pkg")).c_str(), (work / Ansi(folderName)).c_str());
    EXPECT_EQ(ListTree(dest), (Tree{"宋体 常规/", "宋体 常规/DejaVuSans.ttf", "黑体.ttf"}));
    EXPECT_EQ(ReadFile(std::filesystem::path(dest / Utf8Path("宋体 常规/DejaVuSans.ttf"))), font);
  }
}

TEST(ArchiveExtractionTest, BareFontFilesAreCopiedAsTheyAre) {
  for (const char* font : {"DejaVuSans.ttf", "LiberationMono-Bold.ttf"}) {
    TempDir dest;
    DecodeFiles(SystemFont(font).c_str(), dest.path().c_str());
    EXPECT_EQ(ListTree(dest.path()), Tree{font});
    EXPECT_EQ(ReadFile(dest / font), ReadFile(SystemFont(font)));
  }
}

TEST(ArchiveExtractionTest, WhatIsNoArchiveGivesNothing) {
  TempDir work;
  WriteFile(work / "page.rar", "<html><body>404 Not Found</body></html>\n");
  WriteFile(work / "empty.zip", "");
  WriteFile(work / "noise.7z", std::string("7z\xBC\xAF\x27\x1C\x00\x04garbage", 16));
  const std::string cases[] = {work / "page.rar", work / "empty.zip", work / "noise.7z",
                               work / "missing.rar", work.path()};
  for (const std::string& input : cases) {
    SCOPED_TRACE(input);
    TempDir dest;
    corvid::ExtractionSummary summary = corvid::ExtractArchive(input, dest.path());
    EXPECT_EQ(summary.written, 0);
    EXPECT_EQ(ListTree(dest.path()), Tree{});
  }
}

// libarchive can read a text starting with "#mtree" as a listing of files of this computer. A
// downloaded text is no package: nothing comes out of it.
TEST(ArchiveExtractionTest, MtreeTextDoesNotCopyLocalFiles) {
  TempDir work;
  WriteFile(work / "private.txt", "private");
  WriteFile(work / "list.rar", "#mtree\nstolen.ttf type=file contents=" + (work / "private.txt") +
                                   "\n" + SystemFont("DejaVuSans.ttf").substr(1) + " type=file\n");
  TempDir dest;
  DecodeFiles((work / "list.rar").c_str(), dest.path().c_str());
  EXPECT_EQ(ListTree(dest.path()), Tree{});
}

TEST(ArchiveExtractionTest, CompressedTarOfFreeFonts) {
  TempDir work;
  std::string tar = work / "fonts.tar";
  ASSERT_TRUE(WriteArchive(tar, Format::kTar, FontPackage()));
  // Compress it with the gzip writer filter: the reader must find the tar inside.
  archive* reader = archive_read_new();
  archive_read_support_format_raw(reader);
  archive_read_support_filter_none(reader);
  ASSERT_EQ(archive_read_open_filename(reader, tar.c_str(), 65536), ARCHIVE_OK);
  archive_entry* entry = nullptr;
  ASSERT_EQ(archive_read_next_header(reader, &entry), ARCHIVE_OK);
  archive* writer = archive_write_new();
  archive_write_set_format_raw(writer);
  archive_write_add_filter_gzip(writer);
  std::string gz = work / "fonts.tar.gz";
  ASSERT_EQ(archive_write_open_filename(writer, gz.c_str()), ARCHIVE_OK);
  archive_entry* out = archive_entry_new();
  archive_entry_set_filetype(out, AE_IFREG);
  archive_entry_set_pathname(out, "data");
  ASSERT_EQ(archive_write_header(writer, out), ARCHIVE_OK);
  char block[65536];
  la_ssize_t n;
  while ((n = archive_read_data(reader, block, sizeof block)) > 0) {
    archive_write_data(writer, block, static_cast<std::size_t>(n));
  }
  archive_entry_free(out);
  archive_write_free(writer);
  archive_read_free(reader);

  TempDir dest;
  DecodeFiles(gz.c_str(), dest.path().c_str());
  EXPECT_EQ(ListTree(dest.path()), (Tree{"Fonts/", "Fonts/DejaVuSans.ttf", "Fonts/Serif/",
                                         "Fonts/Serif/LiberationSerif-Regular.ttf", "readme.txt"}));
}

TEST(ArchiveExtractionTest, NullArgumentsAndMissingFolderAreHarmless) {
  TempDir work;
  std::string archive = work / "fonts.zip";
  ASSERT_TRUE(WriteArchive(archive, Format::kZip, FontPackage()));
  DecodeFiles(nullptr, work.path().c_str());
  DecodeFiles(archive.c_str(), nullptr);
  DecodeFiles(archive.c_str(), (work / "missing").c_str());
  EXPECT_EQ(ListTree(work.path()), Tree{"fonts.zip"});
}

TEST(ArchiveExtractionTest, TruncatedArchivesLeaveNoPartialFiles) {
  TempDir work;
  std::string font = ReadFile(SystemFont("DejaVuSans.ttf"));
  const struct {
    Format format;
    Tree tree;  // what survives a cut in the middle of the font's data
  } cases[] = {
      {Format::kZip, {"a.txt"}},
      {Format::kTar, {"a.txt"}},
      {Format::kSevenZip, {}},  // its directory lies at the end, which is cut off
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.format));
    std::string archive = work / "cut.pkg";
    ASSERT_TRUE(WriteArchive(
        archive, c.format,
        {{Member::kFile, "a.txt", "complete"}, {Member::kFile, "DejaVuSans.ttf", font}}));
    std::string bytes = ReadFile(archive);
    WriteFile(archive, bytes.substr(0, bytes.size() * 6 / 10));
    TempDir dest;
    DecodeFiles(archive.c_str(), dest.path().c_str());
    EXPECT_EQ(ListTree(dest.path()), c.tree);
  }
}

// No password is ever asked for: encrypted members are passed over. (The RAR fixtures mix
// encrypted and plain members; libarchive's ZIP writer encrypts all members or none.)
TEST(ArchiveExtractionTest, EncryptedZipMembersAreSkipped) {
  for (const char* method : {"zipcrypt", "aes256"}) {
    SCOPED_TRACE(method);
    TempDir work;
    std::string archive = work / "secret.zip";
    ASSERT_TRUE(WriteArchive(archive, Format::kZip,
                             {{Member::kFile, "secret.ttf", ReadFile(SystemFont("DejaVuSans.ttf"))},
                              {Member::kFile, "note.txt", "hidden"}},
                             method));
    TempDir dest;
    corvid::ExtractionSummary summary = corvid::ExtractArchive(archive, dest.path());
    EXPECT_EQ(ListTree(dest.path()), Tree{});
    EXPECT_EQ(summary.skipped, 2);
  }
}

// Decompression bombs: an extraction writes at most twenty times the archive's size (at least
// 64 MiB); a member past that is dropped, and what follows it still comes out.
TEST(ArchiveExtractionTest, DecompressionBombsAreDroppedAndTheRestGoesOn) {
  const std::string font = ReadFile(SystemFont("DejaVuSans.ttf"));
  for (Format format : {Format::kZip, Format::kSevenZip}) {
    SCOPED_TRACE(static_cast<int>(format));
    TempDir work;
    std::string archive = work / "bomb.pkg";
    // 96 MiB of zeros packs into well under a megabyte.
    ASSERT_TRUE(WriteArchive(archive, format,
                             {{Member::kFile, "zeros.ttf", std::string(96u << 20, '\0')},
                              {Member::kFile, "DejaVuSans.ttf", font}}));
    ASSERT_LT(std::filesystem::file_size(archive), 2u << 20);
    TempDir dest;
    corvid::ExtractionSummary summary = corvid::ExtractArchive(archive, dest.path());
    EXPECT_EQ(ListTree(dest.path(), true),
              Tree{"DejaVuSans.ttf (" + std::to_string(font.size()) + ")"});
    EXPECT_EQ(summary.tooLarge, 1);
    EXPECT_EQ(summary.written, 1);
  }
}

// Every hard link is a copy of its target: the copies count against the same bound.
TEST(ArchiveExtractionTest, HardLinkCopiesCountAgainstTheBound) {
  TempDir work;
  std::string archive = work / "links.tar";
  std::vector<Member> members = {{Member::kFile, "big.bin", std::string(3u << 20, 'x')}};
  for (int i = 0; i < 40; ++i) {
    members.push_back({Member::kHardlink, "copy" + std::to_string(i), "big.bin"});
  }
  ASSERT_TRUE(WriteArchive(archive, Format::kTar, members));
  TempDir dest;
  corvid::ExtractionSummary summary = corvid::ExtractArchive(archive, dest.path());
  // The archive is about 3 MiB, so the floor of 64 MiB holds: the member and 20 copies.
  EXPECT_EQ(summary.written, 21);
  EXPECT_EQ(summary.tooLarge, 20);
  EXPECT_EQ(ListTree(dest.path()).size(), 21u);
}

// Paths that try to leave the folder are left out; the rest of the archive still comes out.
TEST(ArchiveExtractionTest, MembersNeverLandOutsideTheFolder) {
  TempDir work;
  std::string outside = work / "outside";
  std::filesystem::create_directory(outside);
  std::string dest = work / "dest";
  std::filesystem::create_directory(dest);
  for (Format format : {Format::kZip, Format::kTar}) {
    SCOPED_TRACE(static_cast<int>(format));
    std::string archive = work / "hostile.pkg";
    ASSERT_TRUE(WriteArchive(
        archive, format,
        {
            {Member::kFile, "../outside/dotdot.txt", "x"},
            {Member::kFile, "sub/../../outside/deep.txt", "x"},
            {Member::kFile, outside + "/absolute.txt", "x"},
            {Member::kFile, "C:\\outside\\drive.txt", "x"},
            {Member::kFile, "..\\outside\\backslash.txt", "x"},
            {Member::kFile, "ok.txt", "ok"},
            {Member::kFile, "./sub/./ok2.txt", "ok2"},
            // On Windows a drive-relative name: the drive's current folder, were it kept.
            {Member::kFile, "Z:drive.txt", "z"},
        }));
    DecodeFiles(archive.c_str(), dest.c_str());
    Tree expected = {"dest/",
                     "dest/" + platform::MakeFileNamePart("Z:drive.txt"),
                     "dest/ok.txt",
                     "dest/sub/",
                     "dest/sub/ok2.txt",
                     "hostile.pkg",
                     "outside/"};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(ListTree(work.path()), expected);
    std::filesystem::remove_all(dest);
    std::filesystem::create_directory(dest);
  }
}

TEST(ArchiveExtractionTest, LinksPointingOutAreNotCreatedNorFollowed) {
  TempDir work;
  std::string outside = work / "outside";
  WriteFile(outside + "/keep.txt", "keep");
  std::string dest = work / "dest";
  std::filesystem::create_directory(dest);
  // A link that was in the folder before: nothing is written through it either. Where no links
  // can be made (Windows without the privilege, Wine), every link member is left out, and the
  // members "through" the links land in plain folders of those names, inside.
  const bool links = SymlinksWork();
  if (links) std::filesystem::create_symlink(outside, dest + "/before");
  std::string archive = work / "links.tar";
  ASSERT_TRUE(WriteArchive(
      archive, Format::kTar,
      {
          {Member::kFile, "ok.txt", "ok"},
          {Member::kSymlink, "abs", outside},              // absolute target
          {Member::kSymlink, "up", "../outside"},          // climbs out
          {Member::kSymlink, "sub/up2", "../../outside"},  // climbs out from deeper
          {Member::kSymlink, "self", "."},                 // inside, but nothing goes through it
          {Member::kSymlink, "undo", "self/../outside"},   // ".." after a link would escape
          {Member::kFile, "abs/pwned.txt", "x"},           // abs is no link: an ordinary folder
          {Member::kFile, "self/through.txt", "x"},
          {Member::kFile, "before/through.txt", "x"},
          {Member::kSymlink, "sub/inner", "../ok.txt"},  // stays inside: created
          {Member::kSymlink, "alias", "ok.txt"},
          {Member::kFile, "alias", "replaces the link, not ok.txt"},
          {Member::kHardlink, "hard-out", outside + "/keep.txt"},
          {Member::kHardlink, "hard-up", "../outside/keep.txt"},
          {Member::kHardlink, "hard-in", "ok.txt"},
      }));
  corvid::ExtractionSummary summary = corvid::ExtractArchive(archive, dest);
  if (links) {
    EXPECT_EQ(
        ListTree(work.path()),
        (Tree{"dest/", "dest/abs/", "dest/abs/pwned.txt", "dest/alias", "dest/before -> " + outside,
              "dest/hard-in", "dest/ok.txt", "dest/self -> .", "dest/sub/",
              "dest/sub/inner -> ../ok.txt", "links.tar", "outside/", "outside/keep.txt"}));
  } else {
    EXPECT_EQ(
        ListTree(work.path()),
        (Tree{"dest/", "dest/abs/", "dest/abs/pwned.txt", "dest/alias", "dest/before/",
              "dest/before/through.txt", "dest/hard-in", "dest/ok.txt", "dest/self/",
              "dest/self/through.txt", "dest/sub/", "links.tar", "outside/", "outside/keep.txt"}));
  }
  EXPECT_EQ(ReadFile(dest + "/ok.txt"), "ok");
  EXPECT_EQ(ReadFile(dest + "/alias"), "replaces the link, not ok.txt");
  EXPECT_EQ(ReadFile(dest + "/hard-in"), "ok");
  EXPECT_EQ(ReadFile(outside + "/keep.txt"), "keep");
  EXPECT_EQ(summary.written, links ? 7 : 6);
  EXPECT_EQ(summary.skipped, links ? 8 : 9);
}

TEST(ArchiveExtractionTest, SafeMemberPaths) {
  const struct {
    const char* name;
    const char* expected;             // nullptr: left out
    const char* onWindows = nullptr;  // where Windows gives another name
  } cases[] = {
      {"a.ttf", "a.ttf"},
      {"Fonts/a.ttf", "Fonts/a.ttf"},
      {"Fonts\\Bold\\a.ttf", "Fonts/Bold/a.ttf"},
      {"./Fonts//a.ttf", "Fonts/a.ttf"},
      {"Fonts/", "Fonts"},
      {"a..b.ttf", "a..b.ttf"},
      {"..a.ttf", "..a.ttf"},
      {"../a.ttf", nullptr},
      {"Fonts/../../a.ttf", nullptr},
      {"Fonts/../a.ttf", nullptr},
      {"/etc/a.ttf", nullptr},
      {"\\\\server\\share\\a.ttf", nullptr},
      {"C:\\a.ttf", nullptr},
      // A drive-relative name, a stream of a file, characters and devices that Windows refuses.
      {"C:a.ttf", "C:a.ttf", "C_a.ttf"},
      {"Fonts/a.ttf:hidden", "Fonts/a.ttf:hidden", "Fonts/a.ttf_hidden"},
      {"what?<*>|\"\x01.ttf", "what?<*>|\"\x01.ttf", "what_______.ttf"},
      {"Fonts/CON.ttf", "Fonts/CON.ttf", "Fonts/_CON.ttf"},
      {"nul", "nul", "_nul"},
      {"Com7.tar.gz", "Com7.tar.gz", "_Com7.tar.gz"},
      {"COM10.ttf", "COM10.ttf"},
      {"CONSOLE.ttf", "CONSOLE.ttf"},
      {"", nullptr},
      {".", nullptr},
      {"./", nullptr},
  };
  const bool windows = platform::kPathSeparator == '\\';
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::optional<std::string> path = corvid::SafeMemberPath(c.name);
    if (c.expected == nullptr) {
      EXPECT_FALSE(path.has_value()) << *path;
    } else {
      const char* expected = windows && c.onWindows != nullptr ? c.onWindows : c.expected;
      EXPECT_EQ(path.value_or("(left out)"), Native(expected));
    }
  }
}

TEST(ArchiveExtractionTest, SafeLinkTargets) {
  const struct {
    const char* link;
    const char* target;
    bool safe;
  } cases[] = {
      {"l", "a.ttf", true},
      {"l", "dir/a.ttf", true},
      {"d/l", "../a.ttf", true},
      {"d/e/l", "../../a.ttf", true},
      {"l", ".", true},
      {"d/l", "..", true},
      {"l", "../a.ttf", false},
      {"d/l", "../../a.ttf", false},
      {"l", "/etc/passwd", false},
      {"l", "C:\\Windows", false},
      {"l", "d/../a.ttf", false},
      {"d/l", "x/../../..", false},
      {"l", "", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.link) + " -> " + c.target);
    EXPECT_EQ(corvid::IsSafeLinkTarget(c.link, c.target), c.safe);
  }
}

TEST(ArchiveExtractionTest, SeveralThreadsUnpackAtOnce) {
  TempDir work;
  std::string archive = work / "fonts.7z";
  ASSERT_TRUE(WriteArchive(archive, Format::kSevenZip, FontPackage()));
  std::vector<std::string> folders;
  for (int i = 0; i < 4; ++i) {
    folders.push_back(work / ("out" + std::to_string(i)));
    std::filesystem::create_directory(folders.back());
  }
  std::vector<std::thread> threads;
  for (const std::string& folder : folders) {
    threads.emplace_back([&archive, folder] { DecodeFiles(archive.c_str(), folder.c_str()); });
  }
  for (std::thread& thread : threads) thread.join();
  for (const std::string& folder : folders) {
    EXPECT_EQ(ReadFile(folder + "/Fonts/DejaVuSans.ttf"), ReadFile(SystemFont("DejaVuSans.ttf")));
  }
}

}  // namespace
