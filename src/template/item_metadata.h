// Per-item metadata outside the descriptor's own fields: the enumeration
// map (name <-> code), reading an item from an XML item element, and the
// display-name mapping of rowset schemas.
#pragma once

#include <string>
#include <string_view>

#include "cavra/collection.h"
#include "cavra/item_state.h"
#include "cavra/variant.h"
#include "cavra/dom.h"

namespace cavra {

// Adds "key" + name -> code and "name" + code -> name for each member of an
// enumeration text (names "{#}"-joined, "{##}", codes "{#}"-joined). A
// duplicate key or a name without a code is skipped.
void GetCollectFromEnumString(std::string_view sEnumString, Collection<std::string>& tempCol);

// The code of a name (toCode) or the name of a code; value itself when the
// item is not an enumeration or the map has no entry.
std::string LookUpEnumText(const std::string& value, const clsItemState& item, bool toCode);

// Sets attribute name of element to value, mapped through item's enumeration
// (code -> name) when an item is given. Nothing for a null element or an
// empty name.
void SetNodeAttribute(pugi::xml_node element, const std::string& name, const std::string& value,
                      const clsItemState* item = nullptr);

// A descriptor from the lower-case attributes of an item element.
ItemPtr ItemStateFromXmlNode(const pugi::xml_node& element);

// The "name" of the schema column whose display name (rs:name) is
// displayName; "" when none. The name enters the query as a quoted literal,
// whatever quotes it holds.
std::string MapSchemaFieldName(const pugi::xml_document* document, std::string_view displayName);

}  // namespace cavra
