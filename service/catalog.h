// The catalogue of the stand-in font service: which fonts it can supply, from which files, and
// which client version is the newest.
//
// A catalogue is a folder holding catalog.json and the files it names:
//
//   {"fonts": {"<font name>": ["<path relative to the folder>", ...], ...},
//    "update": {"version": "<newest client version>", "archive": "<file name>"}}
//
// Loading checks everything once, so that serving never meets a bad entry: every path must be a
// plain relative path made of URL-safe characters (letters, digits, "-", ".", "_", "~" and "/"
// between parts) naming a regular file inside the folder. Such a path needs no escaping in JSON,
// in HTML or in an address, which matters because the client turns every backslash of the font
// query's answer into "/" and does not encode the addresses it builds from it.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tessaro::service {

struct UpdateOffer {
  std::string version;  // the newest client version, as the client sends it
  std::string archive;  // a bare file name in the catalogue folder
};

struct Catalog {
  std::string folder;  // the catalogue folder, without a trailing "/"
  // Font name (UTF-8, as the client sends it after decoding) -> paths, in download order.
  std::map<std::string, std::vector<std::string>> fonts;
  std::optional<UpdateOffer> update;

  // The paths of `name`: the entry of exactly that name, else the one that equals it ignoring
  // ASCII case (font names are matched without case on the client's platform), else nullptr.
  const std::vector<std::string>* Find(const std::string& name) const;

  // True when `path` (relative, without a leading "/") is one of the font files named above.
  bool HoldsFile(std::string_view path) const;

  // The full disk path of a catalogued `path`.
  std::string DiskPath(std::string_view path) const;
};

// Reads `folder`/catalog.json and checks it and the files it names. Returns the catalogue, or
// nullopt with a message for a person in *error (which file, which entry, what is wrong) when the
// folder or catalog.json cannot be read, is not valid JSON of the form above, or names a file that
// is missing or a path that is not allowed.
std::optional<Catalog> LoadCatalog(const std::string& folder, std::string* error);

// True for a path the service may serve: non-empty, relative, parts separated by single "/",
// no "." or ".." part, only the characters listed at the top of this file, and not one of the
// service's own addresses (the first part "s", "TessaroPc" or "preview", or "fontlistPc.aspx").
bool IsServablePath(std::string_view path);

// The whole content of the file at `diskPath`, or nullopt when it cannot be read.
std::optional<std::string> ReadFileBytes(const std::string& diskPath);

}  // namespace tessaro::service
