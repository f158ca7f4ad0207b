// The fonts of a CorelDRAW ZIP container's drawing, through libcdr. libcdr reads a structured
// librevenge stream: here one that serves the container's bytes and, as its sub-streams, the
// members that libarchive inflated, so that a container without a readable central directory is
// read as far as its members go. What libcdr reports is listened to by a drawing interface that
// only notes the font names of the text.

#include "engine/discovery/cdr_container.h"

#include <libcdr/libcdr.h>
#include <librevenge/librevenge.h>

#include <climits>
#include <cstring>
#include <optional>
#include <string_view>
#include <utility>

#include "platform/text_codec.h"

namespace corvid {
namespace {

using librevenge::RVNGInputStream;
using librevenge::RVNGPropertyList;

// An unstructured stream over bytes that outlive it, read the way librevenge's own streams are.
class ByteStream : public RVNGInputStream {
 public:
  ByteStream(const Byte* bytes, std::uint64_t size)
      : bytes_(bytes), size_(size > LONG_MAX ? LONG_MAX : static_cast<long>(size)) {}

  const unsigned char* read(unsigned long numBytes, unsigned long& numBytesRead) override {
    numBytesRead = 0;
    if (numBytes == 0 || offset_ >= size_) return nullptr;
    const unsigned long left = static_cast<unsigned long>(size_ - offset_);
    numBytesRead = numBytes < left ? numBytes : left;
    const Byte* at = bytes_ + offset_;
    offset_ += static_cast<long>(numBytesRead);
    return at;
  }

  // A seek outside the bytes fails and leaves the position at the nearer end.
  int seek(long offset, librevenge::RVNG_SEEK_TYPE seekType) override {
    long base = seekType == librevenge::RVNG_SEEK_SET   ? 0
                : seekType == librevenge::RVNG_SEEK_CUR ? offset_
                                                        : size_;
    long target = 0;
    if (__builtin_add_overflow(base, offset, &target)) target = offset < 0 ? -1 : LONG_MAX;
    if (target < 0) {
      offset_ = 0;
      return 1;
    }
    if (target > size_) {
      offset_ = size_;
      return 1;
    }
    offset_ = target;
    return 0;
  }

  long tell() override { return offset_; }
  bool isEnd() override { return offset_ >= size_; }

  bool isStructured() override { return false; }
  unsigned subStreamCount() override { return 0; }
  const char* subStreamName(unsigned) override { return nullptr; }
  bool existsSubStream(const char*) override { return false; }
  RVNGInputStream* getSubStreamByName(const char*) override { return nullptr; }
  RVNGInputStream* getSubStreamById(unsigned) override { return nullptr; }

 private:
  const Byte* bytes_;
  long size_;
  long offset_ = 0;
};

// The container: its own bytes, and its inflated members as sub-streams (owned by the caller of
// getSubStream…, as librevenge wants; each reads the member kept here).
class ContainerStream : public ByteStream {
 public:
  ContainerStream(const Byte* bytes, std::uint64_t size, std::vector<CdrContainerMember> members)
      : ByteStream(bytes, size), members_(std::move(members)) {}

  bool isStructured() override { return true; }
  unsigned subStreamCount() override { return static_cast<unsigned>(members_.size()); }
  const char* subStreamName(unsigned id) override {
    return id < members_.size() ? members_[id].name.c_str() : nullptr;
  }
  bool existsSubStream(const char* name) override { return Find(name) != nullptr; }
  RVNGInputStream* getSubStreamByName(const char* name) override { return Open(Find(name)); }
  RVNGInputStream* getSubStreamById(unsigned id) override {
    return Open(id < members_.size() ? &members_[id] : nullptr);
  }

 private:
  const CdrContainerMember* Find(const char* name) const {
    if (name == nullptr) return nullptr;
    for (const CdrContainerMember& member : members_) {
      if (member.name == name) return &member;
    }
    return nullptr;
  }

  static RVNGInputStream* Open(const CdrContainerMember* member) {
    if (member == nullptr) return nullptr;
    return new ByteStream(reinterpret_cast<const Byte*>(member->bytes.data()),
                          member->bytes.size());
  }

  std::vector<CdrContainerMember> members_;
};

// Notes the font names of paragraphs, list elements and spans; everything else is ignored.
class FontNameRecorder : public librevenge::RVNGDrawingInterface {
 public:
  explicit FontNameRecorder(DocumentFontSet& set) : set_(set) {}

  void openParagraph(const RVNGPropertyList& properties) override { Record(properties); }
  void openListElement(const RVNGPropertyList& properties) override { Record(properties); }
  void openSpan(const RVNGPropertyList& properties) override { Record(properties); }

  void startDocument(const RVNGPropertyList&) override {}
  void endDocument() override {}
  void setDocumentMetaData(const RVNGPropertyList&) override {}
  void defineEmbeddedFont(const RVNGPropertyList&) override {}
  void startPage(const RVNGPropertyList&) override {}
  void endPage() override {}
  void startMasterPage(const RVNGPropertyList&) override {}
  void endMasterPage() override {}
  void setStyle(const RVNGPropertyList&) override {}
  void startLayer(const RVNGPropertyList&) override {}
  void endLayer() override {}
  void startEmbeddedGraphics(const RVNGPropertyList&) override {}
  void endEmbeddedGraphics() override {}
  void openGroup(const RVNGPropertyList&) override {}
  void closeGroup() override {}
  void drawRectangle(const RVNGPropertyList&) override {}
  void drawEllipse(const RVNGPropertyList&) override {}
  void drawPolygon(const RVNGPropertyList&) override {}
  void drawPolyline(const RVNGPropertyList&) override {}
  void drawPath(const RVNGPropertyList&) override {}
  void drawGraphicObject(const RVNGPropertyList&) override {}
  void drawConnector(const RVNGPropertyList&) override {}
  void startTextObject(const RVNGPropertyList&) override {}
  void endTextObject() override {}
  void startTableObject(const RVNGPropertyList&) override {}
  void openTableRow(const RVNGPropertyList&) override {}
  void closeTableRow() override {}
  void openTableCell(const RVNGPropertyList&) override {}
  void closeTableCell() override {}
  void insertCoveredTableCell(const RVNGPropertyList&) override {}
  void endTableObject() override {}
  void insertTab() override {}
  void insertSpace() override {}
  void insertText(const librevenge::RVNGString&) override {}
  void insertLineBreak() override {}
  void insertField(const RVNGPropertyList&) override {}
  void openOrderedListLevel(const RVNGPropertyList&) override {}
  void openUnorderedListLevel(const RVNGPropertyList&) override {}
  void closeOrderedListLevel() override {}
  void closeUnorderedListLevel() override {}
  void closeListElement() override {}
  void defineParagraphStyle(const RVNGPropertyList&) override {}
  void closeParagraph() override {}
  void defineCharacterStyle(const RVNGPropertyList&) override {}
  void closeSpan() override {}
  void openLink(const RVNGPropertyList&) override {}
  void closeLink() override {}

 private:
  void Record(const RVNGPropertyList& properties) {
    for (const char* key : {"style:font-name", "fo:font-name"}) {
      const librevenge::RVNGProperty* property = properties[key];
      if (property == nullptr) continue;
      const librevenge::RVNGString value = property->getStr();
      std::string_view utf8(value.cstr(), std::strlen(value.cstr()));
      std::optional<std::u16string> wide = platform::MultiByteToWide(utf8, platform::kUtf8CodePage);
      if (!wide) continue;
      std::optional<std::string> narrow =
          platform::WideToMultiByte(*wide, platform::kAnsiCodePage, kMaxScannedNameBytes);
      if (narrow) InsertName(set_, *narrow);
    }
  }

  DocumentFontSet& set_;
};

}  // namespace

void ExtractCdrContainerFonts(const Byte* bytes, std::uint64_t size, DocumentFontSet& set) {
  ContainerStream stream(bytes, size, ReadCdrContainerMembers(bytes, size));
  if (stream.subStreamCount() == 0) return;
  FontNameRecorder recorder(set);
  try {
    libcdr::CDRDocument::parse(&stream, &recorder);
  } catch (...) {
    // libcdr catches its own parse errors; whatever else escapes ends the reading. The names
    // noted so far stay.
  }
}

}  // namespace corvid
