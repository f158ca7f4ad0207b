#include "service/font_query.h"

#include <json/json.h>

namespace tessaro::service {

std::string FontQueryAnswer(const Catalog& catalog, const std::vector<std::string>& names) {
  Json::Value answer(Json::objectValue);
  for (size_t k = 0; k < names.size(); ++k) {
    Json::Value dl(Json::arrayValue);
    if (const std::vector<std::string>* paths = catalog.Find(names[k])) {
      for (const std::string& path : *paths) dl.append(path);
    }
    answer[std::to_string(k)]["dl"] = dl;
  }
  Json::StreamWriterBuilder writer;
  writer["indentation"] = "";
  writer["emitUTF8"] = true;
  return Json::writeString(writer, answer);
}

std::string UpdateCheckAnswer(const Catalog& catalog, const std::string& clientVersion) {
  if (!catalog.update || catalog.update->version == clientVersion) return {};
  return catalog.update->archive;
}

}  // namespace tessaro::service
