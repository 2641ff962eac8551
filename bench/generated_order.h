// Sales orders of any number of lines for the benchmarks: a head and a body
// as persisted rowsets, twenty body columns of realistic values.
#pragma once

#include <cstdio>
#include <iterator>
#include <string>
#include <vector>

#include "cavra/recordset.h"
#include "cavra/rowset.h"

namespace cavra::bench {

inline constexpr const char* kFields[20] = {"irowno",   "cInvCode",  "cInvName", "cInvStd",       "cUnit",
                                            "iQuantity", "iUnitPrice", "iTaxUnitPrice", "iMoney", "iTax",
                                            "iSum",      "iDisCount", "iNatMoney", "iWeight",       "iVolume",
                                            "dPreDate",  "dArrive",   "bGift",     "cMemo",         "iTaxRate"};

// An empty persisted rowset with string columns.
inline DomPtr NewRowset(const std::vector<std::string>& columns) {
  Recordset empty(columns);
  for (std::int32_t i = 0; i < empty.FieldCount(); ++i) empty.SetFieldType(i, "string");
  return RecordsetToRowset(empty);
}

struct Voucher {
  DomPtr head, body;
};

// kToCalculate leaves the computed columns empty for the formulas and marks
// every 10th line changed and every 100th deleted; kToPrint fills them and
// puts an ampersand in the names, which the print documents escape.
enum class Lines { kToCalculate, kToPrint };

inline Voucher GenerateOrder(int lines, Lines kind) {
  const bool print = kind == Lines::kToPrint;
  Voucher v;
  v.head = NewRowset({"ID", "cCode"});
  pugi::xml_node h = v.head->document_element().child("rs:data").append_child("z:row");
  h.append_attribute("ID") = "1";
  h.append_attribute("cCode") = "SO-1";
  v.body = NewRowset(std::vector<std::string>(std::begin(kFields), std::end(kFields)));
  pugi::xml_node data = v.body->document_element().child("rs:data");
  char buf[64];
  for (int i = 1; i <= lines; ++i) {
    pugi::xml_node r = data.append_child("z:row");
    auto set = [&](const char* name, const char* value) { r.append_attribute(name) = value; };
    std::snprintf(buf, sizeof buf, "%d", i), set("irowno", buf);
    std::snprintf(buf, sizeof buf, "INV-%05d", i % 5000), set("cInvCode", buf);
    set("cInvName", print ? "不锈钢球阀 & 配件" : "不锈钢球阀");
    set("cInvStd", "DN50");
    set("cUnit", "个");
    std::snprintf(buf, sizeof buf, "%d.%d", 1 + i % 300, i % 10), set("iQuantity", buf);
    std::snprintf(buf, sizeof buf, "%d.%02d", 10 + i % 900, i % 100), set("iUnitPrice", buf);
    set("iTaxUnitPrice", print ? "11.30" : "");
    std::snprintf(buf, sizeof buf, "%d.%02d", 1000 + i % 9000, i % 100), set("iMoney", print ? buf : "");
    set("iTax", print ? "130.00" : "");
    set("iSum", print ? "1130.00" : "");
    set("iDisCount", "0");
    std::snprintf(buf, sizeof buf, "%d.5", i % 1000), set("iNatMoney", buf);
    set("iWeight", "12.25");
    set("iVolume", "0.75");
    set("dPreDate", "2026-12-10");
    set("dArrive", "2026-12-10T09:30:00");
    set("bGift", i % 7 ? "0" : "1");
    set("cMemo", i % 3 ? "" : "加急");
    set("iTaxRate", "13");
    if (!print) set("editprop", i % 100 == 0 ? "D" : (i % 10 == 0 ? "M" : ""));
  }
  return v;
}

}  // namespace cavra::bench
