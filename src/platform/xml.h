// XML helpers over pugixml: loading with the parser's reason on failure,
// copying, the XML text of a node, and XPath selection with the old pattern
// operators "||" and "&&" translated to "or" and "and".
#pragma once

#include <string>
#include <string_view>

#include "cavra/dom.h"

namespace cavra::xml {

struct [[nodiscard]] LoadResult {
  bool ok = false;
  std::string reason;  // the parser's description and offset when !ok
  explicit operator bool() const noexcept { return ok; }
};

// Replaces doc's content with text. The text is read as UTF-8 whatever its
// declaration says; the declaration itself is kept. When the text does not
// parse, doc is left empty (never the part read before the fault).
LoadResult Load(pugi::xml_document& doc, std::string_view text);
// A new document from text, or null (with the reason in *reason).
[[nodiscard]] DomPtr LoadNew(std::string_view text, std::string* reason = nullptr);
// A deep copy of source (a new empty document for null).
DomPtr Clone(const DomPtr& source);
DomPtr Clone(const pugi::xml_document& source);

// The XML text of a node, unindented; for a document, its whole text.
std::string Text(const pugi::xml_node& node);

// value as an XPath string literal that no value can end: 'a', or
// concat('a', "'", 'b') for a value with a single quote. A NUL character
// cannot be written in a query: VbError 5 (no XML value holds one).
std::string Literal(std::string_view value);

// "||" -> " or ", "&&" -> " and ".
std::string TranslateXPath(std::string_view xpath);
// Selection with a per-thread cache of compiled queries. A query that does
// not compile raises VbError 5 with pugixml's reason.
pugi::xpath_node_set SelectNodes(const pugi::xml_node& context, std::string_view xpath);
pugi::xml_node SelectSingleNode(const pugi::xml_node& context, std::string_view xpath);

// The document element (first element child), or a null node.
pugi::xml_node DocumentElement(const pugi::xml_document& doc);

}  // namespace cavra::xml
