#include "cavra/font.h"

#include "cavra/variant.h"
#include "platform/error_flow.h"
#include "platform/vbstring.h"

namespace cavra {

std::string clsFont::FontString() const {
  const char* style = FontBold ? (FontItalic ? "3" : "2") : (FontItalic ? "0" : "1");
  std::string s = FontName;
  s.append(",").append(std::to_string(FontSize));
  s.append(",").append(std::to_string(FontColor));
  s.append(",").append(FontUnderLine ? "1" : "0");
  s.append(",").append(style);
  return s;
}

void clsFont::FontString(const std::string& s) {
  const auto parts = vb::Split(s, ",");
  if (parts.size() < 5) return;
  const std::int32_t size = CLng(Variant(parts[1]));
  const std::int32_t color = CLng(Variant(parts[2]));
  const bool underline = CLng(Variant(parts[3])) != 0;
  std::int32_t style = -1;
  if (IsNumericText(parts[4])) SkipErrors([&] { style = CLng(Variant(parts[4])); });

  FontName = parts[0];
  FontSize = size;
  FontColor = color;
  FontUnderLine = underline;
  if (style >= 0 && style <= 3) {
    FontBold = style >= 2;
    FontItalic = style == 0 || style == 3;
  }
}

void clsFont::SetFont(const StdFont* font) {
  if (!font) return;
  const std::int32_t size = CLng(Variant(font->Size));
  FontName = font->Name;
  FontSize = size;
  FontUnderLine = font->Underline;
  FontBold = font->Bold;
  FontItalic = font->Italic;
}

}  // namespace cavra
