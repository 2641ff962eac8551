// Persisted-rowset documents, the format of the voucher data documents:
//
//   <xml xmlns:s='uuid:BDC6E3F0-6DA3-11d1-A2A3-00AA00C14882'
//        xmlns:dt='uuid:C2F41010-65B3-11d1-A29F-00AA00C14882'
//        xmlns:rs='urn:schemas-microsoft-com:rowset' xmlns:z='#RowsetSchema'>
//     <s:Schema id='RowsetSchema'><s:ElementType name='row' content='eltOnly'>
//       <s:AttributeType name='cCode' rs:number='1'><s:datatype dt:type='string'/></s:AttributeType>
//       ...
//     </s:ElementType></s:Schema>
//     <rs:data><z:row cCode='A001' .../></rs:data>
//   </xml>
//
// A Null value is a missing attribute. Values are written as text: numbers
// in their shortest exact form, Booleans "True"/"False", dateTime values
// "YYYY-MM-DDThh:mm:ss" (a Recordset holds them as "YYYY-MM-DD hh:mm:ss"),
// binary values in Base64. Recordset -> document -> Recordset keeps every
// value, its type and every Null.
#pragma once

#include <map>
#include <set>
#include <string>

#include "cavra/dom.h"
#include "cavra/export.h"
#include "cavra/recordset.h"
#include "cavra/result.h"

namespace cavra {

struct RowsetOptions {
  // Display names by column name, written as rs:name where they differ.
  std::map<std::string, std::string> displayNames;
  // Columns marked rs:hidden='true'.
  std::set<std::string> hidden;
};

// The document of every record of rs (the cursor is not moved). A column
// without a declared type takes the type of its first non-null value. A value
// that cannot be written (an object or an array) is a caller's error: VbError
// 13 is thrown.
CAVRA_EXPORT DomPtr RecordsetToRowset(const Recordset& rs, const RowsetOptions& options = {});
// The same document as XML text (no declaration, unindented), for a host
// that stores or sends it, or puts one together from several recordsets.
CAVRA_EXPORT std::string RecordsetToRowsetText(const Recordset& rs, const RowsetOptions& options = {});

// A recordset from a rowset document: one field per s:AttributeType (its
// name), typed by its dt:type (int, i1..i8, ui1..ui8: whole numbers; float,
// r4, r8, number: doubles; boolean; dateTime, date; bin.base64, bin.hex:
// Bytes; anything else: text), one record per z:row; the row state
// "editprop" is not a field. Error 5 for a document without the schema, 13
// for a value that does not fit its type (the description names the column).
CAVRA_EXPORT Result<RecordsetPtr> RowsetToRecordset(const DomDocument& document);

}  // namespace cavra
