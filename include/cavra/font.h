// clsFont: a font description with a compact text form,
// "name,size,colour,underline,style" (style 0 italic, 1 regular, 2 bold,
// 3 bold italic), as print settings store fonts.
#pragma once

#include <cstdint>
#include <string>

#include "cavra/export.h"

namespace cavra {

// The standard font object a host hands to SetFont.
struct StdFont {
  std::string Name;
  double Size = 0;
  bool Underline = false;
  bool Bold = false;
  bool Italic = false;
};

class CAVRA_EXPORT clsFont {
 public:
  std::string FontName = "Tahoma";
  std::int32_t FontSize = 9;
  std::int32_t FontColor = 0;
  bool FontUnderLine = false;
  bool FontBold = false;
  bool FontItalic = false;

  // "Tahoma,9,0,0,1" for a new font.
  std::string FontString() const;
  // Reads a text of at least five ","-separated parts (fewer change
  // nothing). Size, colour and underline are whole numbers (error 13 when
  // not numeric, and then nothing changes); a style other than 0-3 leaves
  // bold and italic as they are.
  void FontString(const std::string& s);

  // Copies name, size (rounded half to even), underline, bold and italic;
  // nothing for null.
  void SetFont(const StdFont* font);
  void SetFontColor(std::int32_t clrForecolor) { FontColor = clrForecolor; }
};

}  // namespace cavra
