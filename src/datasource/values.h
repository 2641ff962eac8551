// Values as text and back: the conversions shared by rowset documents, the
// seed files and the rowset write-back.
#pragma once

#include <string>
#include <string_view>

#include "cavra/variant.h"
#include "datasource/sql_dialect.h"

namespace cavra::datasource {

std::string Base64Encode(const Bytes& bytes);
// VbError 13 for text that is not Base64.
Bytes Base64Decode(std::string_view text);
Bytes HexDecode(std::string_view text);

// The shortest text that reads back as the same double.
std::string ShortestDouble(double d);

// The value of text in a column of kind: whole numbers, doubles, Booleans
// ("True"/"False" in any case, or a number), dateTime text with a "T" turned
// into a blank, Base64 for binary; "" is Null for every kind but text and
// binary.
// VbError 13 naming the text when it does not fit.
Variant ParseValue(std::string_view text, sql::ColumnKind kind);

// The text of a value as a document attribute: Booleans "True"/"False",
// numbers exactly, Base64 for Bytes, dateTime values (fieldType "dateTime")
// with "T" between date and time. VbError 13 for objects and arrays.
std::string ValueText(const Variant& value, std::string_view fieldType);

// The kind of a rowset data type (dt:type).
sql::ColumnKind KindOfRowsetType(std::string_view dtType);

}  // namespace cavra::datasource
