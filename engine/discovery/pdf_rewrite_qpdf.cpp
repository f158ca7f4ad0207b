// The PDF rewrite with libqpdf, in process and in memory.

#include "engine/discovery/pdf_rewrite.h"

#include <qpdf/Pipeline.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFLogger.hh>
#include <qpdf/QPDFWriter.hh>

#include <cstddef>
#include <map>
#include <memory>
#include <set>
#include <stdexcept>

namespace corvid {
namespace {

// Bounds of the rewrite. A small file can hold object streams that inflate a thousandfold, and
// the rewrite holds every object of them in memory and writes them out as text (a 1 MB file
// inflating to 1 GiB took 11 s and 2 GB). Real documents keep a few megabytes in their object
// streams and have at most a few hundred thousand objects.
constexpr std::uint64_t kMaxObjectStreamBytes = std::uint64_t{64} << 20;  // inflated, all together
constexpr std::size_t kMaxObjects = 4'000'000;
// The rewritten file holds the stream data as they are plus the objects as text.
constexpr std::uint64_t kMaxOutputGrowth = std::uint64_t{256} << 20;

// Thrown by the pipelines below when a bound is passed.
class OverBound : public std::runtime_error {
 public:
  OverBound() : std::runtime_error("rewrite bound passed") {}
};

// The end of QPDFWriter's pipeline: collects the written file in a vector, at most `limit` bytes.
class VectorSink final : public Pipeline {
 public:
  VectorSink(std::vector<Byte>& out, std::uint64_t limit)
      : Pipeline("corvid rewrite", nullptr), out_(out), limit_(limit) {}
  using Pipeline::write;
  void write(unsigned char const* data, size_t len) override {
    if (out_.size() + len > limit_) throw OverBound();
    out_.insert(out_.end(), data, data + len);
  }
  void finish() override {}

 private:
  std::vector<Byte>& out_;
  std::uint64_t limit_;
};

// Counts the bytes piped into it, keeping none; passes the limit → over() and OverBound.
class CountingSink final : public Pipeline {
 public:
  explicit CountingSink(std::uint64_t limit) : Pipeline("corvid count", nullptr), left_(limit) {}
  using Pipeline::write;
  void write(unsigned char const*, size_t len) override {
    if (len > left_) {
      over_ = true;
      throw OverBound();
    }
    left_ -= len;
  }
  void finish() override {}
  bool over() const { return over_; }

 private:
  std::uint64_t left_;
  bool over_ = false;
};

// Whether the document's object streams inflate to no more than kMaxObjectStreamBytes together
// and it has no more than kMaxObjects objects. Inflating only counts here: nothing is kept.
bool WithinBounds(QPDF& pdf) {
  const std::map<QPDFObjGen, QPDFXRefEntry> table = pdf.getXRefTable();
  if (table.size() > kMaxObjects) return false;
  std::set<int> objectStreams;
  for (const auto& [object, entry] : table) {
    if (entry.getType() == 2) objectStreams.insert(entry.getObjStreamNumber());
  }
  CountingSink counter(kMaxObjectStreamBytes);
  for (int number : objectStreams) {
    QPDFObjectHandle stream = pdf.getObjectByID(number, 0);
    if (!stream.isStream()) continue;
    try {
      stream.pipeStreamData(&counter, nullptr, 0, qpdf_dl_specialized, true, false);
    } catch (const OverBound&) {
      return false;
    } catch (...) {
      // A damaged object stream: the rewrite gives what it can of the rest.
    }
    if (counter.over()) return false;
  }
  return true;
}

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

    // Past a bound the rewrite is given up, as for a damaged file: the direct scan's names stand.
    if (!WithinBounds(pdf)) return std::nullopt;

    std::vector<Byte> out;
    out.reserve(static_cast<std::size_t>(size) + size / 4);
    VectorSink sink(out, size + kMaxOutputGrowth);
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
