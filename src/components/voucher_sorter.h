// The library's default sorter ("TolmVoucherSorter.clsVoucherSorter"): a
// stable sort of the z:row children of a body document's rs:data element.
//
// Sort command: keys separated by ";", each a field (attribute) name,
// optionally followed by "," and a direction: "ascending"/"asc" or
// "descending"/"desc" in any letter case, ascending when missing. Blanks
// around names and words are ignored; a key without a field name is
// skipped; any other direction word is an error (VbError 5).
//
// Order of values, ascending: the empty value first, then numeric text
// (IsNumericText) by number, then all other text by the byte order of its
// UTF-8. Two numeric values thus compare numerically and two other values
// as text; a mixed pair compares by class, because comparing such a pair as
// text would not be an ordering ("9" < "10" < "1a" < "9") and for the usual
// texts (letters, ideographs) the class order agrees with the text order.
// A missing attribute counts as empty. Numbers beyond the range of a double
// count as text.
//
// Ties keep input order: the number in "tolmvouchersorter_inputorder_index"
// (rows without a positive one are numbered after the highest, in document
// order), then document order. Rows with "isNewAddedBlankRow_OrdraSorter"
// = "1" go to the end, unsorted, in document order. Rows move (they are not
// copied); other children of rs:data keep their places.
#pragma once

#include <string>

#include "cavra/outside.h"

namespace cavra {

class VoucherSorter final : public ISorter {
 public:
  // text is not used. True when the rows were sorted; false when body is
  // null or has no rs:data element.
  bool sortDOMVoucherBody(const std::string& text, const std::string& sortCommand, DomPtr& body) override;
};

}  // namespace cavra
