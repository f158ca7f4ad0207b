#include "client/ui/qt/narrow_text.h"

#include "platform/text_codec.h"

namespace tessaro {

QString FromAnsi(const std::string& text) {
  std::optional<std::u16string> wide = platform::MultiByteToWide(text, platform::kAnsiCodePage);
  if (!wide) return QString::fromLocal8Bit(text.data(), static_cast<qsizetype>(text.size()));
  return QString::fromUtf16(wide->data(), static_cast<qsizetype>(wide->size()));
}

std::optional<std::string> ToAnsi(const QString& text) {
  std::u16string wide(reinterpret_cast<const char16_t*>(text.utf16()),
                      static_cast<std::size_t>(text.size()));
  std::optional<std::string> narrow = platform::WideToMultiByte(wide, platform::kAnsiCodePage);
  if (!narrow || FromAnsi(*narrow) != text) return std::nullopt;
  return narrow;
}

}  // namespace tessaro
