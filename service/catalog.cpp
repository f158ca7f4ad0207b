#include "service/catalog.h"

#include <algorithm>
#include <filesystem>
#include <fstream>

#include <json/json.h>

namespace tessaro::service {
namespace {

bool IsUrlSafe(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
         c == '.' || c == '_' || c == '~';
}

std::string AsciiLower(std::string_view text) {
  std::string lower(text);
  std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) {
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : char(c);
  });
  return lower;
}

bool IsRegularFile(const std::string& path) {
  std::error_code ignored;
  return std::filesystem::is_regular_file(path, ignored);
}

// Checks one path named by the catalogue; on failure returns what is wrong with it.
std::optional<std::string> CheckPath(const Catalog& catalog, const std::string& path) {
  if (!IsServablePath(path)) {
    return "\"" + path +
           "\" is not allowed: use a relative path of letters, digits, \"-\", \".\", \"_\", \"~\" "
           "and \"/\", outside the service's own addresses (s/, TessaroPc/, preview/, "
           "fontlistPc.aspx)";
  }
  if (!IsRegularFile(catalog.DiskPath(path))) return "no such file: " + catalog.DiskPath(path);
  return std::nullopt;
}

}  // namespace

const std::vector<std::string>* Catalog::Find(const std::string& name) const {
  if (auto it = fonts.find(name); it != fonts.end()) return &it->second;
  const std::string lower = AsciiLower(name);
  for (const auto& [key, paths] : fonts) {
    if (AsciiLower(key) == lower) return &paths;
  }
  return nullptr;
}

bool Catalog::HoldsFile(std::string_view path) const {
  for (const auto& [name, paths] : fonts) {
    if (std::find(paths.begin(), paths.end(), path) != paths.end()) return true;
  }
  return false;
}

std::string Catalog::DiskPath(std::string_view path) const {
  return folder + "/" + std::string(path);
}

bool IsServablePath(std::string_view path) {
  if (path.empty()) return false;
  std::vector<std::string_view> parts;
  size_t start = 0;
  while (true) {
    size_t slash = path.find('/', start);
    std::string_view part =
        path.substr(start, slash == std::string_view::npos ? slash : slash - start);
    if (part.empty() || part == "." || part == "..") return false;
    if (!std::all_of(part.begin(), part.end(), IsUrlSafe)) return false;
    parts.push_back(part);
    if (slash == std::string_view::npos) break;
    start = slash + 1;
  }
  const std::string_view first = parts.front();
  if (parts.size() > 1 && (first == "s" || first == "TessaroPc" || first == "preview")) {
    return false;
  }
  return path != "fontlistPc.aspx";
}

std::optional<std::string> ReadFileBytes(const std::string& diskPath) {
  std::ifstream in(diskPath, std::ios::binary | std::ios::ate);
  if (!in) return std::nullopt;
  const std::streamoff size = in.tellg();
  if (size < 0) return std::nullopt;
  std::string bytes(static_cast<size_t>(size), '\0');
  in.seekg(0);
  if (!in.read(bytes.data(), size)) return std::nullopt;
  return bytes;
}

std::optional<Catalog> LoadCatalog(const std::string& folder, std::string* error) {
  Catalog catalog;
  catalog.folder = folder;
  while (catalog.folder.size() > 1 && catalog.folder.back() == '/') catalog.folder.pop_back();
  const std::string file = catalog.folder + "/catalog.json";
  auto fail = [&](const std::string& what) {
    *error = "catalogue " + file + ": " + what;
    return std::nullopt;
  };

  std::ifstream in(file, std::ios::binary);
  if (!in) return fail("cannot be read");
  Json::CharReaderBuilder reader;
  reader["collectComments"] = false;
  reader["failIfExtra"] = true;
  reader["rejectDupKeys"] = true;
  Json::Value root;
  std::string parseErrors;
  if (!Json::parseFromStream(reader, in, &root, &parseErrors)) {
    return fail("not valid JSON: " + parseErrors);
  }
  if (!root.isObject()) return fail("the top level must be an object");

  const Json::Value& fonts = root["fonts"];
  if (!fonts.isObject()) return fail("\"fonts\" must be an object of font name -> [paths]");
  for (const std::string& name : fonts.getMemberNames()) {
    const std::string where = "fonts[\"" + name + "\"]";
    if (name.empty()) return fail("a font name is empty");
    if (name.find(',') != std::string::npos) {
      return fail(where + ": a font name cannot hold \",\", which separates the names of a query");
    }
    const Json::Value& paths = fonts[name];
    if (!paths.isArray()) return fail(where + " must be an array of paths");
    std::vector<std::string>& entry = catalog.fonts[name];
    for (const Json::Value& path : paths) {
      if (!path.isString()) return fail(where + ": every path must be a string");
      if (auto problem = CheckPath(catalog, path.asString())) return fail(where + ": " + *problem);
      entry.push_back(path.asString());
    }
  }

  if (root.isMember("update")) {
    const Json::Value& update = root["update"];
    if (!update.isObject() || !update["version"].isString() || !update["archive"].isString()) {
      return fail("\"update\" must be {\"version\": \"...\", \"archive\": \"<file name>\"}");
    }
    UpdateOffer offer{update["version"].asString(), update["archive"].asString()};
    if (offer.version.empty()) return fail("update.version is empty");
    if (offer.archive.find('/') != std::string::npos) {
      return fail("update.archive must be a bare file name, without \"/\"");
    }
    if (auto problem = CheckPath(catalog, offer.archive))
      return fail("update.archive: " + *problem);
    catalog.update = offer;
  }
  return catalog;
}

}  // namespace tessaro::service
