// The font service's routes on cpp-httplib's server.
//
// Every GET goes through one handler that dispatches on the decoded path, so that the service's
// own addresses always come before catalogue files (LoadCatalog keeps catalogue paths off them)
// and the query texts can be read raw: cpp-httplib's key=value split would cut font names that
// hold "&" or "=", which the client sends unencoded.
#include "service/font_service.h"

#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>

#include <httplib.h>

#include "service/font_archive.h"
#include "service/font_query.h"
#include "service/pages.h"
#include "service/query_text.h"

namespace tessaro::service {
namespace {

constexpr char kHtml[] = "text/html; charset=utf-8";
constexpr char kText[] = "text/plain; charset=utf-8";

std::string ContentTypeFor(std::string_view path) {
  size_t dot = path.rfind('.');
  std::string ext = dot == std::string_view::npos ? "" : std::string(path.substr(dot + 1));
  for (char& c : ext) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  if (ext == "zip") return "application/zip";
  if (ext == "rar") return "application/vnd.rar";
  if (ext == "7z") return "application/x-7z-compressed";
  if (ext == "ttf") return "font/ttf";
  if (ext == "otf") return "font/otf";
  if (ext == "ttc") return "font/collection";
  return "application/octet-stream";
}

void NotFound(httplib::Response& res, const std::string& what) {
  res.status = 404;
  res.set_content("not found: " + what + "\n", kText);
}

void SendFile(httplib::Response& res, const std::string& diskPath, std::string_view name) {
  std::optional<std::string> bytes = ReadFileBytes(diskPath);
  if (!bytes) {
    res.status = 500;
    res.set_content("cannot read " + std::string(name) + "\n", kText);
    return;
  }
  res.set_content(std::move(*bytes), ContentTypeFor(name).c_str());
}

void FontQueryOrUpdateCheck(const Catalog& catalog, const httplib::Request& req,
                            httplib::Response& res) {
  const std::string_view query = RawQuery(req.target);
  if (auto names = LeadingValue(query, "q")) {
    res.set_content(FontQueryAnswer(catalog, SplitFontNames(PercentDecode(*names))),
                    "application/json; charset=utf-8");
  } else if (auto version = LeadingValue(query, "u")) {
    res.set_content(UpdateCheckAnswer(catalog, PercentDecode(*version)), kText);
  } else {
    res.status = 400;
    res.set_content("expected ?q=NAME,NAME,... or ?u=VERSION\n", kText);
  }
}

void Preview(const Catalog& catalog, const httplib::Request& req, httplib::Response& res) {
  auto value = LeadingValue(RawQuery(req.target), "fn", "&fz=");
  const std::string name = PercentDecode(value.value_or(""));
  const std::vector<std::string>* paths = catalog.Find(name);
  if (paths == nullptr) {
    res.status = 404;
    res.set_content(UnknownFontPage(name), kHtml);
    return;
  }
  std::optional<FontFile> font;
  if (!paths->empty()) font = FirstFontInPackage(catalog.DiskPath(paths->front()));
  res.set_content(PreviewPage(name, *paths, font ? font->name : ""), kHtml);
}

void PreviewFont(const Catalog& catalog, const httplib::Request& req, httplib::Response& res) {
  const std::string name = PercentDecode(LeadingValue(RawQuery(req.target), "fn").value_or(""));
  const std::vector<std::string>* paths = catalog.Find(name);
  std::optional<FontFile> font;
  if (paths != nullptr && !paths->empty())
    font = FirstFontInPackage(catalog.DiskPath(paths->front()));
  if (!font) return NotFound(res, "no preview font for " + name);
  res.set_content(std::move(font->bytes), font->mimeType.c_str());
}

void Route(const Catalog& catalog, const httplib::Request& req, httplib::Response& res) {
  const std::string& path = req.path;
  if (!path.starts_with('/')) {
    NotFound(res, path);
  } else if (path == "/") {
    res.set_content(HomePage(catalog), kHtml);
  } else if (path == "/s/api/PCDownloadFonts.ashx") {
    FontQueryOrUpdateCheck(catalog, req, res);
  } else if (path == "/fontlistPc.aspx") {
    Preview(catalog, req, res);
  } else if (path == "/preview/font") {
    PreviewFont(catalog, req, res);
  } else if (path.starts_with("/TessaroPc/")) {
    // The update archive, and its signature "<archive>.sig" when the catalogue folder holds one.
    const std::string file = path.substr(std::string_view("/TessaroPc/").size());
    if (!catalog.update) return NotFound(res, path);
    const std::string& archive = catalog.update->archive;
    if (file == archive) return SendFile(res, catalog.DiskPath(archive), archive);
    if (file != archive + ".sig" || !std::filesystem::is_regular_file(catalog.DiskPath(file))) {
      return NotFound(res, path);
    }
    SendFile(res, catalog.DiskPath(file), file);
  } else if (std::string_view file = std::string_view(path).substr(1); catalog.HoldsFile(file)) {
    SendFile(res, catalog.DiskPath(file), file);
  } else {
    NotFound(res, path);
  }
}

}  // namespace

struct FontService::Server {
  httplib::Server http;
};

FontService::FontService(Catalog catalog)
    : catalog_(std::move(catalog)), server_(std::make_unique<Server>()) {
  httplib::Server& http = server_->http;
  http.Get(".*", [this](const httplib::Request& req, httplib::Response& res) {
    Route(catalog_, req, res);
  });
  // Only SO_REUSEADDR: cpp-httplib's default adds SO_REUSEPORT, with which a second service on
  // the same port would start as well and the two would share the requests.
  http.set_socket_options([](socket_t sock) {
    int yes = 1;
    setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
  });
  http.set_logger([](const httplib::Request& req, const httplib::Response& res) {
    // One fprintf per line: stdio's lock keeps lines of parallel requests whole.
    std::fprintf(stderr, "%s %s %d\n", req.method.c_str(), req.target.c_str(), res.status);
  });
}

FontService::~FontService() = default;

int FontService::Bind(int port) {
  if (port == 0) return server_->http.bind_to_any_port("127.0.0.1");
  return server_->http.bind_to_port("127.0.0.1", port) ? port : -1;
}

bool FontService::Run() { return server_->http.listen_after_bind(); }

void FontService::Stop() { server_->http.stop(); }

}  // namespace tessaro::service
