// Persisted-rowset documents for tests, from a column list and inline rows.
#pragma once

#include <string>

#include "cavra/dom.h"
#include "platform/xml.h"

namespace cavra::testing {

// columns: comma-separated entries, each a column name, with ":type" for a
// datatype other than string ("ID:int"), optionally followed by a space and
// more attributes of its s:AttributeType ("AutoID rs:hidden='True'",
// "c7 rs:name='cInvCode'"). rows: the z:row elements of rs:data.
inline DomPtr Rowset(const std::string& columns, const std::string& rows) {
  std::string schema;
  for (std::size_t from = 0; from <= columns.size();) {
    std::size_t comma = columns.find(',', from);
    if (comma == std::string::npos) comma = columns.size();
    const std::string entry = columns.substr(from, comma - from);
    const std::size_t space = entry.find(' ');
    const std::string name = entry.substr(0, space);
    const std::size_t colon = name.find(':');
    if (!entry.empty())
      schema += "<s:AttributeType name='" + name.substr(0, colon) + "'" +
                (space == std::string::npos ? "" : entry.substr(space)) + "><s:datatype dt:type='" +
                (colon == std::string::npos ? "string" : name.substr(colon + 1)) + "'/></s:AttributeType>";
    from = comma + 1;
  }
  return xml::LoadNew(
      "<xml xmlns:s='uuid:BDC6E3F0-6DA3-11d1-A2A3-00AA00C14882' xmlns:dt='uuid:C2F41010-65B3-11d1-A29F-00AA00C14882' "
      "xmlns:rs='urn:schemas-microsoft-com:rowset' xmlns:z='#RowsetSchema'><s:Schema id='RowsetSchema'>"
      "<s:ElementType name='row' content='eltOnly'>" +
      schema + "</s:ElementType></s:Schema><rs:data>" + rows + "</rs:data></xml>");
}

}  // namespace cavra::testing
