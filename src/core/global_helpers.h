// The shared helpers of the global module: value conversions that tolerate
// Null, small XML and text helpers, the XML name lower-casing and the
// collection helpers. None of them raises an error to its caller: a value
// that cannot be converted gives the helper's empty result.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "cavra/collection.h"
#include "cavra/dom.h"
#include "cavra/object.h"
#include "cavra/variant.h"

namespace cavra {

// Null -> "", else CStr(v) ("" for a value without a text, such as an object).
std::string Null2Str(const Variant& v);
// Null -> 0, else CLng(v) (0 when v is not a number or out of range).
std::int32_t Null2Lng(const Variant& v);
// Null -> 0, else CDbl(v) (0 when v is not a number).
double Null2Dbl(const Variant& v);
// Null2Str, and a Null argument is itself set to "".
std::string NullVarToStr(Variant& v);
// CLng of a numeric, non-Null value; 0 for anything else or on overflow.
std::int32_t SafeCLng(const Variant& v);

// The attribute's value ("" when absent); Empty when element is null or
// name is Null, Empty or blank.
Variant GetNodeAttribute(const pugi::xml_node& element, const Variant& name);
// Sets the attribute to the text of value (Null writes ""); nothing happens
// for a null element or an Empty, Null or blank name.
void SetNodeAttribute(pugi::xml_node element, const Variant& name, const Variant& value);
// Appends child to the first element "//" + tag of doc, creating that
// element under the document element (or as it) when missing. A child of
// another document is copied in. Returns the appended node; a null node
// when doc or child is null.
pugi::xml_node AppendToSection(pugi::xml_document* doc, std::string_view tag, const pugi::xml_node& child);
inline pugi::xml_node AppendToSection(const DomPtr& doc, std::string_view tag, const pugi::xml_node& child) {
  return AppendToSection(doc.get(), tag, child);
}

// "#RRGGBB" (upper-case hex) of a colour whose low byte is red.
std::string ColorToHtml(std::int32_t color);
// twips * 100 / 56.692556 / 10, rounded half to even, as text.
std::string TwipToPrintUnit(std::int32_t twips);
// Part index (0-3) of a "@"-separated font text, or the index's default
// ("783", "1", "宋体,9,0,0,1", "0") unless there are exactly four parts;
// Empty for any other index.
Variant GetFontStringPart(std::string_view text, std::int32_t index);
// The index-th (0-based) piece of text split on CR, without CR and LF
// characters; "" when out of range.
std::string GetTextLine(std::string_view text, std::int32_t index);
// Both are arrays with the same upper bound and equal elements (numbers by
// value whatever their type, Null equal only to Null).
bool ArraysEqual(const Variant& a, const Variant& b);

// Adds item (under key when not empty); false when that fails, for example
// for a key already present.
template <class T>
bool CollectionAdd(Collection<T>& coll, T item, std::string_view key = {}) {
  try {
    coll.Add(std::move(item), key);
    return true;
  } catch (...) {
    return false;
  }
}
// result = the member under key; false (result unchanged) when key is missing.
template <class T>
bool CollectionGet(const Collection<T>& coll, T& result, std::string_view key) {
  const T* found = coll.Find(key);
  if (!found) return false;
  result = *found;
  return true;
}

// The address a host hands around for obj (its Object base).
inline std::uintptr_t ObjPtr(const Object* obj) { return reinterpret_cast<std::uintptr_t>(obj); }
// A counted reference to the Object at address (as given by ObjPtr); null
// for 0 and for an object that no shared_ptr owns.
ObjectPtr ObjectFromPointer(std::uintptr_t address);

// The system temporary folder, ending with "/" so a file name can follow.
std::string GetTempDirectory();

// Replaces "&", "<", ">" and "'" (in that order) by their entities; double
// quotes stay.
std::string XmlEncode(std::string_view s);

// Lower-cases (ASCII) every element and attribute name of sXML, keeping
// values and text; with escapeAmp, every "&" is escaped first. A text that
// does not parse stays unchanged and one error line is logged.
void UTLCase(std::string& sXML, bool escapeAmp);
// This thread's lower-casing style sheet, built on first use; an empty
// document (and a log line) when its text does not load.
DomPtr GetXslTemplateDom();

}  // namespace cavra
