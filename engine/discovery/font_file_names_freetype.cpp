// Font file names through FreeType.

#include "engine/discovery/font_file_names.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SFNT_NAMES_H

#include <string_view>

#include "engine/discovery/sfnt_names.h"

namespace corvid {

struct FontFileReader::Library {
  FT_Library handle = nullptr;
  Library() {
    if (FT_Init_FreeType(&handle) != 0) handle = nullptr;
  }
  ~Library() {
    if (handle != nullptr) FT_Done_FreeType(handle);
  }
};

namespace {

void AppendFaceNames(FT_Face face, FontFileContents& contents) {
  FontFileNames& names = contents.names;
  if (face->family_name != nullptr) {
    std::string_view family = face->family_name;
    if (family.empty() || family == "?????") {
      contents.placeholders.push_back(static_cast<std::uint32_t>(names.size()));
    }
    names.emplace_back(family);
  }
  if (!FT_IS_SFNT(face)) return;
  FT_UInt count = FT_Get_Sfnt_Name_Count(face);
  for (FT_UInt i = 0; i < count; ++i) {
    FT_SfntName entry;
    if (FT_Get_Sfnt_Name(face, i, &entry) != 0 || entry.string == nullptr) continue;
    if (entry.name_id != kFamilyNameId && entry.name_id != kFullNameId &&
        entry.name_id != kPostScriptNameId) {
      continue;
    }
    SfntName name;
    name.platformId = entry.platform_id;
    name.encodingId = entry.encoding_id;
    name.languageId = entry.language_id;
    name.nameId = entry.name_id;
    name.bytes = std::string_view(reinterpret_cast<const char*>(entry.string), entry.string_len);
    names.push_back(ConvertSfntName(name));
  }
}

}  // namespace

FontFileReader::FontFileReader() : library_(std::make_unique<Library>()) {}
FontFileReader::~FontFileReader() = default;

FontFileNames FontFileContents::Names(PlaceholderFamilies families) const {
  if (families == PlaceholderFamilies::kKeep || placeholders.empty()) return names;
  FontFileNames kept;
  kept.reserve(names.size());
  std::size_t next = 0;
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (next < placeholders.size() && placeholders[next] == i) {
      ++next;
    } else {
      kept.push_back(names[i]);
    }
  }
  return kept;
}

std::uint32_t FontLibraryVersion() {
  static const std::uint32_t version = [] {
    FT_Library library = nullptr;
    if (FT_Init_FreeType(&library) != 0) return 0u;
    FT_Int major = 0, minor = 0, patch = 0;
    FT_Library_Version(library, &major, &minor, &patch);
    FT_Done_FreeType(library);
    return static_cast<std::uint32_t>(major * 10000 + minor * 100 + patch);
  }();
  return version;
}

FontFileContents FontFileReader::ReadContents(const std::string& path) {
  FontFileContents contents;
  if (library_->handle == nullptr) return contents;
  FT_Face face = nullptr;
  if (FT_New_Face(library_->handle, path.c_str(), 0, &face) != 0) return contents;
  FT_Long faceCount = face->num_faces;
  contents.faceCount = faceCount > 0 ? static_cast<std::uint32_t>(faceCount) : 1;
  AppendFaceNames(face, contents);
  FT_Done_Face(face);
  for (FT_Long index = 1; index < faceCount; ++index) {
    if (FT_New_Face(library_->handle, path.c_str(), index, &face) != 0) continue;
    AppendFaceNames(face, contents);
    FT_Done_Face(face);
  }
  return contents;
}

FontFileNames FontFileReader::Read(const std::string& path, PlaceholderFamilies families) {
  FontFileContents contents = ReadContents(path);
  if (families == PlaceholderFamilies::kKeep) return std::move(contents.names);
  return contents.Names(families);
}

FontFileNames ReadFontFileNames(const std::string& path) {
  FontFileReader reader;
  return reader.Read(path, PlaceholderFamilies::kSkip);
}

}  // namespace corvid
