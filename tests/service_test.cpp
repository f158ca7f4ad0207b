// tessaro-service as the client meets it: the real program, started on a free loopback port and
// asked over HTTP, with requests encoded by the client's own rule.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

// clang-format off
#include <archive.h>
#include <archive_entry.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <httplib.h>
#include <json/json.h>
// clang-format on

#include "child_process.h"
#include "test_support.h"

extern char** environ;

namespace {

using tessaro_test::Child;
using tessaro_test::ReadFile;
using tessaro_test::TempDir;
using tessaro_test::WriteFile;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;

const std::string kService = std::string(TESSARO_BIN_DIR) + "/tessaro-service";
const std::string kTessaro = std::string(TESSARO_BIN_DIR) + "/tessaro";
const std::string kSampleCatalog = TESSARO_SAMPLE_CATALOG;
const std::string kSampleDocument = tessaro_test::DataPath("documents/sample/flyer.pdf");

// The client's encoding of a whole address: letters, digits and & - . / : = ? stay, every other
// byte becomes %XX with upper-case digits.
std::string ClientUrlEncode(const std::string& text) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : text) {
    if (isalnum(c) && c < 0x80) {
      out.push_back(static_cast<char>(c));
    } else if (std::string_view("&-./:=?").find(static_cast<char>(c)) != std::string_view::npos) {
      out.push_back(static_cast<char>(c));
    } else {
      out += {'%', kHex[c >> 4], kHex[c & 15]};
    }
  }
  return out;
}

// The font query's address for `names`, as the client builds it: each name followed by ",".
std::string FontQueryTarget(const std::vector<std::string>& names) {
  std::string address = "/s/api/PCDownloadFonts.ashx?q=";
  for (const std::string& name : names) address += name + ",";
  return ClientUrlEncode(address);
}

// tessaro-service on a free port, serving `catalog`, with a client that sends targets as given.
class Service {
 public:
  explicit Service(const std::string& catalog, const std::string& logPath)
      : process_(catalog, logPath),
        client_(std::make_unique<httplib::Client>("127.0.0.1", process_.port())) {
    client_->set_url_encode(false);  // targets go out exactly as the client encoded them
  }

  int port() const { return process_.port(); }
  const std::string& firstLine() const { return process_.firstLine(); }

  httplib::Result Get(const std::string& target) { return client_->Get(target); }

  // Stops it with SIGTERM; returns its exit code.
  int Stop() { return process_.Stop(); }
  std::string Log() const { return process_.Log(); }

 private:
  tessaro_test::ServiceProcess process_;
  std::unique_ptr<httplib::Client> client_;
};

// Reads a font query answer as the client does: every "\" turned into "/", then JSON; returns one
// list of paths per member "0" .. "N-1", N being the number of members.
std::vector<std::vector<std::string>> ReadAnswerAsClient(std::string body) {
  std::replace(body.begin(), body.end(), '\\', '/');
  Json::Value root;
  std::istringstream in(body);
  Json::CharReaderBuilder reader;
  std::string errors;
  EXPECT_TRUE(Json::parseFromStream(reader, in, &root, &errors)) << errors << "\n" << body;
  std::vector<std::vector<std::string>> entries;
  if (!root.isObject()) return entries;
  const unsigned count = root.size();
  for (unsigned k = 0; k < count; ++k) {
    const std::string key = std::to_string(k);
    EXPECT_TRUE(root.isMember(key)) << body;
    std::vector<std::string> paths;
    for (const Json::Value& path : root[key]["dl"]) paths.push_back(path.asString());
    entries.push_back(paths);
  }
  return entries;
}

// A catalogue folder of the test's own: catalog.json plus the files given.
std::string MakeCatalog(const TempDir& dir, const std::string& json,
                        const std::vector<std::pair<std::string, std::string>>& files = {}) {
  WriteFile(dir / "catalog/catalog.json", json);
  for (const auto& [path, bytes] : files) WriteFile(dir / ("catalog/" + path), bytes);
  return dir / "catalog";
}

std::string SampleFile(const std::string& relative) {
  return ReadFile(kSampleCatalog + "/" + relative);
}

// The family name FreeType reads from font bytes, or empty when they are not a font.
std::string FreeTypeFamily(const std::string& bytes) {
  FT_Library library = nullptr;
  if (FT_Init_FreeType(&library) != 0) return {};
  std::string family;
  FT_Face face = nullptr;
  if (FT_New_Memory_Face(library, reinterpret_cast<const FT_Byte*>(bytes.data()),
                         static_cast<FT_Long>(bytes.size()), 0, &face) == 0) {
    if (face->family_name != nullptr) family = face->family_name;
    FT_Done_Face(face);
  }
  FT_Done_FreeType(library);
  return family;
}

// Unpacks every regular file of an archive's bytes into `folder`, flat; returns their names.
std::vector<std::string> Unpack(const std::string& bytes, const std::string& folder) {
  std::vector<std::string> names;
  archive* a = archive_read_new();
  archive_read_support_format_all(a);
  archive_read_support_filter_all(a);
  if (archive_read_open_memory(a, bytes.data(), bytes.size()) == ARCHIVE_OK) {
    archive_entry* entry = nullptr;
    while (archive_read_next_header(a, &entry) == ARCHIVE_OK) {
      if (archive_entry_filetype(entry) != AE_IFREG) continue;
      std::string name = std::filesystem::path(archive_entry_pathname(entry)).filename();
      std::string data;
      char buffer[65536];
      for (la_ssize_t n; (n = archive_read_data(a, buffer, sizeof buffer)) > 0;)
        data.append(buffer, n);
      WriteFile(folder + "/" + name, data);
      names.push_back(name);
    }
  }
  archive_read_free(a);
  return names;
}

// `tessaro scan FILE`'s missing names, one per line, with the font configuration in force.
std::vector<std::string> ScanMissing(const TempDir& dir, const std::string& file) {
  Child scan(kTessaro, {"scan", "--no-service", file}, dir / "scan.err");
  std::vector<std::string> names;
  for (std::string line; !(line = scan.ReadLine()).empty();) names.push_back(line);
  // 1: fonts are missing.
  EXPECT_EQ(scan.Wait(), names.empty() ? 0 : 1) << scan.Stderr();
  return names;
}

TEST(ServiceTest, FirstLineNamesTheAddressAndStopEndsCleanly) {
  TempDir dir;
  Service service(kSampleCatalog, dir / "log");
  EXPECT_EQ(service.firstLine(), "listening on http://127.0.0.1:" + std::to_string(service.port()));
  EXPECT_GT(service.port(), 0);
  auto home = service.Get("/");
  ASSERT_TRUE(home);
  EXPECT_EQ(home->status, 200);
  EXPECT_EQ(service.Stop(), 0);
}

TEST(ServiceTest, FontQueryAnswersOneMemberPerNameInOrder) {
  const struct {
    std::vector<std::string> names;
    std::vector<std::vector<std::string>> expected;
  } cases[] = {
      {{}, {}},
      {{"DejaVuSans"}, {{"fonts/DejaVuSans.zip"}}},
      {{"Arial"}, {{}}},
      {{"DejaVuSans", "Arial", "Liberation Mono", "LiberationSans"},
       {{"fonts/DejaVuSans.zip"}, {}, {"fonts/LiberationMono.zip"}, {"fonts/LiberationSans.zip"}}},
      // A family: several packages, in the catalogue's order.
      {{"DejaVu Sans"}, {{"fonts/DejaVuSans.zip", "fonts/DejaVuSans-Bold.zip"}}},
      // Font names are matched without ASCII case, as the client's platform does.
      {{"dejavuserif", "LIBERATIONMONO"},
       {{"fonts/DejaVuSerif.zip"}, {"fonts/LiberationMono.zip"}}},
      {{"DejaVuSans", "DejaVuSans"}, {{"fonts/DejaVuSans.zip"}, {"fonts/DejaVuSans.zip"}}},
  };
  TempDir dir;
  Service service(kSampleCatalog, dir / "log");
  for (const auto& c : cases) {
    const std::string target = FontQueryTarget(c.names);
    auto answer = service.Get(target);
    ASSERT_TRUE(answer) << target;
    EXPECT_EQ(answer->status, 200) << target;
    EXPECT_EQ(answer->get_header_value("Content-Type"), "application/json; charset=utf-8");
    EXPECT_EQ(answer->body.find('\\'), std::string::npos) << answer->body;
    EXPECT_EQ(ReadAnswerAsClient(answer->body), c.expected) << target << "\n" << answer->body;
  }
}

TEST(ServiceTest, FontQueryReadsNamesTheClientLeavesPartlyUnencoded) {
  // The client leaves "&", "=", "-", ".", "/", ":" of a name as they are and sends other
  // characters, UTF-8 included, as %XX groups.
  TempDir dir;
  const std::string catalog =
      MakeCatalog(dir,
                  R"({"fonts": {"宋体": ["fonts/simsun.zip"], "A&B=C": ["fonts/ab.zip"],
                    "Arial Black": ["fonts/ariblk.zip"], "x/y:z.-": ["fonts/xyz.zip"],
                    "Back\\slash \"quoted\"": ["fonts/quoted.zip"], "微软雅黑 Bold": ["fonts/yahei-bold.zip"]}})",
                  {{"fonts/simsun.zip", "1"},
                   {"fonts/ab.zip", "2"},
                   {"fonts/ariblk.zip", "3"},
                   {"fonts/xyz.zip", "4"},
                   {"fonts/quoted.zip", "5"},
                   {"fonts/yahei-bold.zip", "6"}});
  Service service(catalog, dir / "log");
  const std::vector<std::string> names = {"宋体",         "A&B=C",   "Arial Black",
                                          "Missing",      "x/y:z.-", "Back\\slash \"quoted\"",
                                          "微软雅黑 Bold"};
  const std::string target = FontQueryTarget(names);
  ASSERT_THAT(target, HasSubstr("q=%E5%AE%8B%E4%BD%93%2CA&B=C%2CArial%20Black%2C"));
  auto answer = service.Get(target);
  ASSERT_TRUE(answer);
  EXPECT_EQ(answer->body.find('\\'), std::string::npos) << answer->body;
  EXPECT_THAT(ReadAnswerAsClient(answer->body),
              ElementsAre(ElementsAre("fonts/simsun.zip"), ElementsAre("fonts/ab.zip"),
                          ElementsAre("fonts/ariblk.zip"), IsEmpty(), ElementsAre("fonts/xyz.zip"),
                          ElementsAre("fonts/quoted.zip"), ElementsAre("fonts/yahei-bold.zip")));
}

TEST(ServiceTest, UpdateCheckNamesTheArchiveOnlyForAnotherVersion) {
  TempDir dir;
  const std::string archive = std::string("PK\x05\x06", 4) + std::string(18, '\0');
  const std::string withUpdate = MakeCatalog(
      dir, R"({"fonts": {}, "update": {"version": "1.31", "archive": "TessaroPc-1.31.zip"}})",
      {{"TessaroPc-1.31.zip", archive}});
  TempDir bareDir;
  const std::string withoutUpdate = MakeCatalog(bareDir, R"({"fonts": {}})");
  const struct {
    std::string catalog;
    std::string version;
    std::string expected;
  } cases[] = {
      {kSampleCatalog, "1.30", ""},
      {kSampleCatalog, "1.29", "TessaroPc-1.30.zip"},
      {withUpdate, "1.30", "TessaroPc-1.31.zip"},
      {withUpdate, "1.31", ""},
      {withUpdate, "", "TessaroPc-1.31.zip"},
      {withoutUpdate, "1.30", ""},
  };
  for (const auto& c : cases) {
    TempDir logDir;
    Service service(c.catalog, logDir / "log");
    auto answer = service.Get(ClientUrlEncode("/s/api/PCDownloadFonts.ashx?u=" + c.version));
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->status, 200);
    EXPECT_EQ(answer->body, c.expected) << c.catalog << " u=" << c.version;
  }

  Service service(withUpdate, dir / "log");
  auto download = service.Get("/TessaroPc/TessaroPc-1.31.zip");
  ASSERT_TRUE(download);
  EXPECT_EQ(download->status, 200);
  EXPECT_EQ(download->body, archive);
  EXPECT_EQ(service.Get("/TessaroPc/TessaroPc-1.30.zip")->status, 404);
  EXPECT_EQ(service.Get("/TessaroPc/TessaroPc-1.31.zip.sig")->status, 404);  // none beside it

  // The sample update comes with its signature, made with the build's test key.
  Service sample(kSampleCatalog, dir / "sample-log");
  auto signature = sample.Get("/TessaroPc/TessaroPc-1.30.zip.sig");
  ASSERT_TRUE(signature);
  EXPECT_EQ(signature->status, 200);
  EXPECT_EQ(signature->body, SampleFile("TessaroPc-1.30.zip.sig"));
  EXPECT_EQ(signature->body.size(), 64u);
}

TEST(ServiceTest, ServesCatalogueFilesByteExactAndNothingElse) {
  TempDir dir;
  Service service(kSampleCatalog, dir / "log");
  for (const std::string path : {"fonts/DejaVuSans.zip", "fonts/LiberationSans.zip"}) {
    auto file = service.Get("/" + path);
    ASSERT_TRUE(file);
    EXPECT_EQ(file->status, 200) << path;
    EXPECT_EQ(file->get_header_value("Content-Type"), "application/zip");
    EXPECT_EQ(file->body, SampleFile(path)) << path;
  }
  EXPECT_EQ(service.Get("/fonts/DejaVuSans%2Ezip")->body, SampleFile("fonts/DejaVuSans.zip"));

  // Files that lie in the catalogue folder, or anywhere else, without being named as fonts.
  for (const std::string target :
       {"/catalog.json", "/fonts/../catalog.json", "/fonts/%2E%2E/catalog.json",
        "/./fonts/DejaVuSans.zip", "/fonts//DejaVuSans.zip", "/fonts/", "/fonts",
        "/fonts/DejaVuSans.zip/", "/TessaroPc-1.30.zip", "/TessaroPc/../catalog.json",
        "/TessaroPc/%2E%2E%2Fcatalog.json", "/..%2F..%2F..%2Fetc%2Fpasswd", "/%2Fetc%2Fpasswd",
        "/../../../../etc/passwd", "/preview/font?fn=Arial", "/preview/font"}) {
    auto answer = service.Get(target);
    ASSERT_TRUE(answer) << target;
    EXPECT_EQ(answer->status, 404) << target;
  }
}

// The address in the first url("...") of a page.
std::string FirstUrl(const std::string& page) {
  size_t start = page.find("url(\"");
  if (start == std::string::npos) return {};
  start += 5;
  return page.substr(start, page.find('"', start) - start);
}

TEST(ServiceTest, PreviewPageShowsTheFontThroughFontFace) {
  const struct {
    std::string name;
    std::string family;
  } cases[] = {
      {"DejaVuSans", "DejaVu Sans"},
      {"DejaVu Sans", "DejaVu Sans"},          // the first file of the first of two packages
      {"Liberation Sans", "Liberation Sans"},  // a folder in the package, a licence text first
      {"LiberationMono", "Liberation Mono"},
  };
  TempDir dir;
  Service service(kSampleCatalog, dir / "log");
  for (const auto& c : cases) {
    auto page = service.Get(ClientUrlEncode("/fontlistPc.aspx?fn=" + c.name + "&fz=1"));
    ASSERT_TRUE(page);
    EXPECT_EQ(page->status, 200) << c.name;
    EXPECT_EQ(page->get_header_value("Content-Type"), "text/html; charset=utf-8");
    EXPECT_THAT(page->body, HasSubstr("<h1>" + c.name + "</h1>"));
    EXPECT_THAT(page->body, HasSubstr("@font-face"));
    const std::string fontAddress = FirstUrl(page->body);
    ASSERT_FALSE(fontAddress.empty()) << page->body;

    auto font = service.Get(fontAddress);
    ASSERT_TRUE(font) << fontAddress;
    EXPECT_EQ(font->status, 200) << fontAddress;
    EXPECT_EQ(font->get_header_value("Content-Type"), "font/ttf");
    EXPECT_EQ(font->body.substr(0, 4), std::string("\0\1\0\0", 4));
    EXPECT_EQ(FreeTypeFamily(font->body), c.family) << fontAddress;
  }
}

TEST(ServiceTest, PreviewPageOfUnusualNamesAndPackages) {
  TempDir dir;
  const std::string catalog = MakeCatalog(
      dir,
      R"({"fonts": {"A&B=C <i>": ["fonts/ab.zip"], "宋体": ["fonts/ab.zip"],
                    "NoFontInside": ["fonts/readme.zip"], "BareFont": ["fonts/bare.ttf"]}})",
      {{"fonts/ab.zip", SampleFile("fonts/LiberationMono.zip")},
       {"fonts/readme.zip", SampleFile("TessaroPc-1.30.zip")},
       {"fonts/bare.ttf", ReadFile("/usr/share/fonts/truetype/dejavu/DejaVuSerif.ttf")}});
  Service service(catalog, dir / "log");
  const struct {
    std::string name;
    int status;
    std::string shows;   // in the page
    std::string family;  // of its @font-face font; empty: no @font-face
  } cases[] = {
      {"A&B=C <i>", 200, "<h1>A&amp;B=C &lt;i&gt;</h1>", "Liberation Mono"},
      {"宋体", 200, "<h1>宋体</h1>", "Liberation Mono"},
      {"BareFont", 200, "<h1>BareFont</h1>", "DejaVu Serif"},
      {"NoFontInside", 200, "没有可预览的字体文件", ""},
      {"Arial", 404, "字库中没有这个字体", ""},
  };
  for (const auto& c : cases) {
    auto page = service.Get(ClientUrlEncode("/fontlistPc.aspx?fn=" + c.name + "&fz=1"));
    ASSERT_TRUE(page);
    EXPECT_EQ(page->status, c.status) << c.name;
    EXPECT_EQ(page->get_header_value("Content-Type"), "text/html; charset=utf-8");
    EXPECT_THAT(page->body, HasSubstr(c.shows)) << c.name;
    if (c.family.empty()) {
      EXPECT_THAT(page->body, Not(HasSubstr("@font-face"))) << c.name;
      continue;
    }
    auto font = service.Get(FirstUrl(page->body));
    ASSERT_TRUE(font) << c.name;
    EXPECT_EQ(FreeTypeFamily(font->body), c.family) << c.name;
  }
}

TEST(ServiceTest, HomePageListsTheCatalogueWithWorkingPreviewLinks) {
  TempDir dir;
  Service service(kSampleCatalog, dir / "log");
  auto home = service.Get("/");
  ASSERT_TRUE(home);
  EXPECT_EQ(home->status, 200);
  EXPECT_EQ(home->get_header_value("Content-Type"), "text/html; charset=utf-8");
  Json::Value catalog;
  std::istringstream(SampleFile("catalog.json")) >> catalog;
  ASSERT_EQ(catalog["fonts"].size(), 10u);
  for (const std::string& name : catalog["fonts"].getMemberNames()) {
    EXPECT_THAT(home->body, HasSubstr(">" + name + "</a>"));
  }
  const std::string link = "/fontlistPc.aspx?fn=Liberation%20Mono&amp;fz=1";
  ASSERT_THAT(home->body, HasSubstr("href=\"" + link + "\""));
  auto preview = service.Get("/fontlistPc.aspx?fn=Liberation%20Mono&fz=1");
  ASSERT_TRUE(preview);
  EXPECT_THAT(preview->body, HasSubstr("<h1>Liberation Mono</h1>"));
}

TEST(ServiceTest, LogsOneLinePerRequest) {
  TempDir dir;
  Service service(kSampleCatalog, dir / "log");
  service.Get("/s/api/PCDownloadFonts.ashx?q=");
  service.Get("/fonts/DejaVuSans.zip");
  service.Get("/nothing-here");
  ASSERT_EQ(service.Stop(), 0);
  const std::string log = service.Log();
  EXPECT_THAT(log, HasSubstr("GET /s/api/PCDownloadFonts.ashx?q= 200\n"));
  EXPECT_THAT(log, HasSubstr("GET /fonts/DejaVuSans.zip 200\n"));
  EXPECT_THAT(log, HasSubstr("GET /nothing-here 404\n"));
}

TEST(ServiceTest, BadCommandLinesAndCataloguesExitWithTwo) {
  TempDir dir;
  const std::string good = MakeCatalog(dir, R"({"fonts": {"A": ["a.zip"]}})", {{"a.zip", "x"}});
  const struct {
    std::string catalogJson;        // written to a catalogue of its own when not empty
    std::vector<std::string> args;  // "CAT" stands for that catalogue
    std::string message;
  } cases[] = {
      {"", {}, "--catalog DIR is required"},
      {"", {"--port", "0"}, "--catalog DIR is required"},
      {"", {"--catalog", good}, "--port N is required"},
      {"", {"--catalog"}, "--catalog needs a value"},
      {"", {"--catalog", good, "--port", "x"}, "--port wants a number"},
      {"", {"--catalog", good, "--port", "-1"}, "--port wants a number"},
      {"", {"--catalog", good, "--port", "65536"}, "--port wants a number"},
      {"", {"--catalog", good, "--port", "80a"}, "--port wants a number"},
      {"", {"--catalog", good, "--port", "0", "--verbose"}, "unknown argument --verbose"},
      {"", {"--catalog", dir / "no-such-folder", "--port", "0"}, "cannot be read"},
      {"{\"fonts\": ", {"--catalog", "CAT", "--port", "0"}, "not valid JSON"},
      {"[]", {"--catalog", "CAT", "--port", "0"}, "the top level must be an object"},
      {R"({"fonts": []})", {"--catalog", "CAT", "--port", "0"}, "\"fonts\" must be an object"},
      {R"({"fonts": {"A": "a.zip"}})", {"--catalog", "CAT", "--port", "0"}, "must be an array"},
      {R"({"fonts": {"A": [1]}})", {"--catalog", "CAT", "--port", "0"}, "must be a string"},
      {R"({"fonts": {"A": ["missing.zip"]}})", {"--catalog", "CAT", "--port", "0"}, "no such file"},
      {R"({"fonts": {"A": ["../a.zip"]}})", {"--catalog", "CAT", "--port", "0"}, "not allowed"},
      {R"({"fonts": {"A": ["/etc/passwd"]}})", {"--catalog", "CAT", "--port", "0"}, "not allowed"},
      {R"({"fonts": {"A": ["fonts\\a.zip"]}})", {"--catalog", "CAT", "--port", "0"}, "not allowed"},
      {R"({"fonts": {"A": ["a b.zip"]}})", {"--catalog", "CAT", "--port", "0"}, "not allowed"},
      {R"({"fonts": {"A": ["s/api/a.zip"]}})", {"--catalog", "CAT", "--port", "0"}, "not allowed"},
      {R"({"fonts": {"A,B": ["a.zip"]}})",
       {"--catalog", "CAT", "--port", "0"},
       "cannot hold \",\""},
      {R"({"fonts": {}, "update": {"version": "1.31"}})",
       {"--catalog", "CAT", "--port", "0"},
       "\"update\" must be"},
      {R"({"fonts": {}, "update": {"version": "1.31", "archive": "up/a.zip"}})",
       {"--catalog", "CAT", "--port", "0"},
       "bare file name"},
      {R"({"fonts": {}, "update": {"version": "1.31", "archive": "gone.zip"}})",
       {"--catalog", "CAT", "--port", "0"},
       "no such file"},
  };
  for (const auto& c : cases) {
    TempDir caseDir;
    std::vector<std::string> args = c.args;
    if (!c.catalogJson.empty()) {
      const std::string catalog = MakeCatalog(caseDir, c.catalogJson, {{"a.zip", "x"}});
      std::replace(args.begin(), args.end(), std::string("CAT"), catalog);
    }
    Child child(kService, args, caseDir / "stderr");
    ASSERT_TRUE(child.started());
    EXPECT_EQ(child.ReadLine(), "") << c.message;  // no "listening on" line
    EXPECT_EQ(child.Wait(), 2) << c.message;
    EXPECT_THAT(child.Stderr(), HasSubstr(c.message));
  }
}

TEST(ServiceTest, PortInUseExitsWithOne) {
  TempDir dir;
  Service first(kSampleCatalog, dir / "log");
  Child second(kService, {"--catalog", kSampleCatalog, "--port", std::to_string(first.port())},
               dir / "second.err");
  EXPECT_EQ(second.ReadLine(), "");  // no "listening on" line
  EXPECT_EQ(second.Wait(), 1);
  EXPECT_THAT(second.Stderr(),
              HasSubstr("cannot listen on 127.0.0.1:" + std::to_string(first.port())));
}

// The sample document against the sample catalogue, as the client runs it: scan, ask, download,
// unpack, install (here: a font configuration holding the unpacked fonts), scan again.
TEST(ServiceTest, SampleDocumentNeedsTheCatalogueFontsAndOneMore) {
  TempDir dir;
  auto noFonts = std::make_unique<tessaro_test::ScopedEnv>(
      "FONTCONFIG_FILE", tessaro_test::WriteFontConfig(dir / "none.conf", {}, dir / "cache"));
  const std::vector<std::string> missing = ScanMissing(dir, kSampleDocument);
  ASSERT_THAT(missing, ElementsAre("DejaVuSans", "DejaVuSans-Bold", "DejaVuSerif", "LiberationMono",
                                   "LiberationSans", "NimbusRoman-Regular"));

  Service service(kSampleCatalog, dir / "log");
  auto answer = service.Get(FontQueryTarget(missing));
  ASSERT_TRUE(answer);
  const std::vector<std::vector<std::string>> entries = ReadAnswerAsClient(answer->body);
  ASSERT_EQ(entries.size(), missing.size());
  EXPECT_THAT(entries.back(), IsEmpty());
  const std::string fonts = dir / "installed";
  std::filesystem::create_directories(fonts);
  for (size_t i = 0; i + 1 < entries.size(); ++i) {
    ASSERT_THAT(entries[i], Not(IsEmpty())) << missing[i];
    for (const std::string& path : entries[i]) {
      auto file = service.Get("/" + path);
      ASSERT_TRUE(file) << path;
      EXPECT_THAT(Unpack(file->body, fonts), Not(IsEmpty())) << path;
    }
  }

  noFonts.reset();
  tessaro_test::ScopedEnv config(
      "FONTCONFIG_FILE", tessaro_test::WriteFontConfig(dir / "fonts.conf", {fonts}, dir / "cache"));
  EXPECT_THAT(ScanMissing(dir, kSampleDocument), ElementsAre("NimbusRoman-Regular"));
}

}  // namespace
