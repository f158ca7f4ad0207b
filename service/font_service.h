// The stand-in font service: the protocol of the vendor's font service over HTTP, answered from a
// catalogue (see catalog.h).
//
//   GET /s/api/PCDownloadFonts.ashx?q=NAME,NAME,...   JSON: which of the fonts it supplies, where
//   GET /s/api/PCDownloadFonts.ashx?u=VERSION         the update archive's name, or empty
//   GET /TessaroPc/ARCHIVE                            the update archive
//   GET /PATH                                         a font file the catalogue names
//   GET /fontlistPc.aspx?fn=NAME&fz=1                 the preview page of a font
//   GET /preview/font?fn=NAME                         the font file that the preview page shows
//   GET /                                             the home page
//
// Everything else is 404. Each request is logged as one line on stderr: method, target, status.
#pragma once

#include <memory>

#include "service/catalog.h"

namespace tessaro::service {

class FontService {
 public:
  // Serves `catalog`, which is read-only from here on and is shared by the request threads.
  explicit FontService(Catalog catalog);
  ~FontService();
  FontService(const FontService&) = delete;
  FontService& operator=(const FontService&) = delete;

  // Binds to 127.0.0.1:`port`, or to a free port when `port` is 0. Returns the port bound, or -1
  // when the port cannot be had (in use, not permitted).
  int Bind(int port);

  // Answers requests until Stop; false when the server could not run. Blocks.
  bool Run();

  // Ends Run from any thread (not from a signal handler).
  void Stop();

 private:
  struct Server;
  Catalog catalog_;
  std::unique_ptr<Server> server_;
};

}  // namespace tessaro::service
