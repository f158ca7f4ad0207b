// Real documents made by the applications themselves, with the font names each must give when
// no font is installed (checked against independent readers). Photoshop's placeholder font
// AdobeInvisFont, which every Photoshop document lists, is not among them.
#pragma once

#include <set>
#include <string>
#include <vector>

#include "tests/test_support.h"

namespace tessaro_test {

struct DocumentFixture {
  const char* path;  // under tests/data/documents
  std::vector<std::string> fonts;
};

inline const std::vector<DocumentFixture>& DocumentFixtures() {
  static const std::vector<DocumentFixture> fixtures = {
      {"photoshop/pen-text.psd", {"Courier", "TimesNewRomanPSMT"}},
      {"photoshop/text.psd", {"ArialMT", "MyriadPro-Regular", "TimesNewRomanPSMT"}},
      // Current versions: pretty-printed text engine data, fonts in /FontSet [ ... ] lists.
      {"photoshop/type-layer.psd", {"ArialMT", "KozGoPr6N-Regular", "MyriadPro-Regular"}},
      {"photoshop/grinched-regular-font.psd", {"CourierNewPSMT", "Grinched", "Tahoma"}},
      {"photoshop/effect-stroke-gradient-cc2018.psd",
       {"Arial-BoldMT", "KozGoPr6N-Regular", "MyriadPro-Regular"}},
      {"coreldraw/corel11-fonttable.cdr",
       {"Arial", "Arial Unicode MS", "AvantGarde Bk BT", "Wingdings"}},
      {"coreldraw/probe-v12.cdr", {"Arial", "Wingdings"}},
      // CorelDRAW X4 and later: a ZIP container. X4 and X5 hold a RIFF drawing with "cmpr"
      // chunks; X6 and later a font table in data streams. Wide names come out in the ANSI code
      // page: UTF-8 in the C locale of Linux, GBK under code page 936 (Chinese Windows).
      {"coreldraw/groupdocs-sample-x4.cdr",
       {"Arial", "Courier New", "Wingdings", "造字工房尚雅体演示版常规体"}},
      {"coreldraw/xapian-test2-x5.cdr", {"Arial", "MS Gothic", "SimSun", "Symbol"}},
      {"coreldraw/TextHintTest-x4.cdr", {"Arial", "MS Gothic"}},
      {"illustrator/classic-cc2017.ai", {"Arial-BoldMT"}},
      {"illustrator/fixture-normal-24.ai", {"MyriadPro-Regular"}},
      {"pdf/PhilHarveyInterview.pdf",
       {"LucidaGrande", "Times-Bold", "Times-BoldItalic", "Times-Italic", "Times-Roman"}},
      {"pdf/issue1002.pdf", {"Adelle-Bold", "Adelle-Regular", "Mercury-DisplaySemibold"}},
      {"pdf/cid_cff.pdf", {"NeoSansIntel"}},
      {"pdf/Shift.pdf", {"Courier", "Times-Bold", "Times-Italic", "Times-Roman"}},
      // Names as real producers write them: escaped subset tags, "Family,Style", no descriptor.
      {"pdf/escaped-subset-tag.pdf",
       {"CMMI6", "CMMI9", "CMR6", "CMR8", "CMR9", "CMSY6", "CMSY7", "CMSY8", "CMSY9", "CMTT9",
        "Calibri", "Calibri-Bold", "Helvetica", "Helvetica-Bold", "NimbusRomNo9L-Medi",
        "NimbusRomNo9L-MediItal", "NimbusRomNo9L-Regu", "NimbusRomNo9L-Regu-Slant_167",
        "NimbusRomNo9L-ReguItal"}},
      {"pdf/family-comma-style.pdf", {"Arial", "Arial-BoldMT", "ArialMT", "Segoe UI"}},
      {"pdf/cidfont-no-descriptor.pdf", {"HeiseiMin-W3"}},
  };
  return fixtures;
}

// What GetLackFontNames gives for `fixture`: its names in the narrow code page (Ansi), in that
// code page's byte order, each followed by a comma.
inline std::string LackFontList(const DocumentFixture& fixture) {
  std::set<std::string> names;
  for (const std::string& name : fixture.fonts) names.insert(Ansi(name));
  std::string list;
  for (const std::string& name : names) list += name + ",";
  return list;
}

}  // namespace tessaro_test
