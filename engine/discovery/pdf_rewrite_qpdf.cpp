// The PDF rewrite with libqpdf, in process and in memory.

#include "engine/discovery/pdf_rewrite.h"

#include <qpdf/Pipeline.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFLogger.hh>
#include <qpdf/QPDFWriter.hh>

#include <memory>

namespace corvid {
namespace {

// The end of QPDFWriter's pipeline: collects the written file in a vector.
class VectorSink final : public Pipeline {
 public:
  explicit VectorSink(std::vector<Byte>& out) : Pipeline("corvid rewrite", nullptr), out_(out) {}
  using Pipeline::write;
  void write(unsigned char const* data, size_t len) override {
    out_.insert(out_.end(), data, data + len);
  }
  void finish() override {}

 private:
  std::vector<Byte>& out_;
};

}  // namespace

std::optional<std::vector<Byte>> RewritePdfOneEntryPerLine(const Byte* bytes, std::uint64_t size) {
  try {
    QPDF pdf;
    // A private logger that discards everything: the engine never prints, and the process-wide
    // default logger would write warnings about damaged files to stderr.
    std::shared_ptr<QPDFLogger> logger = QPDFLogger::create();
    logger->setInfo(logger->discard());
    logger->setWarn(logger->discard());
    logger->setError(logger->discard());
    pdf.setLogger(logger);
    pdf.setSuppressWarnings(true);
    pdf.processMemoryFile("document", reinterpret_cast<char const*>(bytes),
                          static_cast<size_t>(size));

    std::vector<Byte> out;
    out.reserve(static_cast<std::size_t>(size) + size / 4);
    VectorSink sink(out);
    QPDFWriter writer(pdf);
    writer.setOutputPipeline(&sink);
    // QDF mode writes every dictionary key on its own line; object streams are dissolved.
    writer.setQDFMode(true);
    writer.setObjectStreamMode(qpdf_o_disable);
    // QDF mode would also decode and normalise every stream; the scans need none of that.
    writer.setDecodeLevel(qpdf_dl_none);
    writer.setCompressStreams(false);
    writer.setContentNormalization(false);
    writer.setPreserveEncryption(false);
    writer.write();
    return out;
  } catch (...) {
    // qpdf reports unreadable files, wrong passwords and write failures by exceptions.
    return std::nullopt;
  }
}

}  // namespace corvid
