// The voucher data tests' fixture: a template from inline items, the
// documents, values and line editor over it, and rowsets from inline rows.
#pragma once

#include <string>
#include <vector>

#include "components/defaults.h"
#include "core/resources.h"
#include "data/calculation.h"
#include "data/field_values.h"
#include "data/line_editor.h"
#include "data/row_outline.h"
#include "data/sorting.h"
#include "data/voucher_documents.h"
#include "fakes/rowset_xml.h"
#include "template/template_fixture.h"

namespace cavra::testing {

inline std::string Item(const char* section, const char* name, int type, const std::string& more = "") {
  return std::string("<item showit='1' cardsection='") + section + "' fieldname='" + name + "' fieldtype='" +
         std::to_string(type) + "' " + more + "/>";
}

// Body items are grid columns 1..7 in this order.
inline const std::string kDataItems =
    Item("B", "irowno", 2) + Item("B", "cInvCode", 1) +
    Item("B", "iMoney", 4, "numpoint='2' formatdata='1'") + Item("B", "iNeg", 4, "formatdata='#'") +
    Item("B", "dDate", 5, "formatdata='YYYY-MM-DD'") +
    Item("B", "dTime", 5, "formatdata='YYYY-MM-DD HH:mm:ss'") +
    Item("B", "cGift", 1, "isenum='1' enumtypestring='否{#}是{##}0{#}1'") + Item("T", "ID", 2) +
    Item("T", "cSOCode", 1) +
    Item("T", "cBus", 1, "refertype='4' isenum='1' enumtypestring='普通{#}代销{##}01{#}02'") +
    Item("T", "iRate", 4, "numpoint='2' formatdata='1' refertype='1'") +
    Item("T", "cMemo", 1, "refertype='8'") + Item("T", "cRef", 1, "refertype='10'");

// Rowset columns: the body's AutoID and a head column are hidden.
inline const std::string kBodyColumns = "irowno,cInvCode,iMoney,AutoID rs:hidden='True'";
inline const std::string kHeadColumns = "ID,cSOCode,c rs:hidden='TRUE'";

// The data subsystems over a template model, wired the way a service wires
// them: a line update recomputes the line, a data load re-applies the sort
// command saved_sort holds.
struct DataHarness : TemplateHarness {
  VoucherDocuments docs{ctx, model};
  FieldValues values{ctx, model, docs};
  LineEditor lines{ctx, model, docs, values};
  Calculation calc{ctx, model, docs, values};
  RowOutline outline{ctx, model, docs};
  Sorting sorting{ctx, model, docs, outline};
  std::string saved_sort;

  DataHarness() {
    RegisterResourceComponents();
    RegisterDefaultComponents();
    InitResourceService();
    lines.SetLineRecalculator([this](std::int32_t line) { calc.ExecCalcExpression(line); });
    model.SetSortCommandReader([this] { return saved_sort; });
    sorting.SetSortCommandReader([this] { return saved_sort; });
    Load(kDataItems);
  }
  void Load(const std::string& items, const std::string& extra = "") {
    values.ResetFormats();
    TemplateHarness::Load(items, extra);
    calc.TemplateLoaded();
  }
  void LoadData(const DomPtr& head, const DomPtr& body) {
    docs.Load(head, body);
    if (body) outline.BuildTop(body);
    sorting.ReapplySavedSort();
  }
  // Attribute values of every body row, in line order.
  std::vector<std::string> Column(const char* attribute) {
    std::vector<std::string> column;
    for (pugi::xml_node row : docs.BodyRows()) column.push_back(row.attribute(attribute).value());
    return column;
  }
  void LoadRows(const std::string& bodyRows, const std::string& headRow = "<z:row ID='1'/>") {
    docs.Load(Rowset(kHeadColumns, headRow), Rowset(kBodyColumns, bodyRows));
  }
  std::string Cell(std::int32_t line, const char* name) { return docs.BodyRow(line).attribute(name).value(); }
  std::int32_t LastErrorNumber() const { return sink->errors.empty() ? 0 : sink->errors.back().first; }
  FakeGrid& AttachGrid(std::int32_t row) {
    auto grid = std::make_shared<FakeGrid>();
    grid->row = row;
    ctx.SetGrid(grid);
    return *grid;
  }
};

}  // namespace cavra::testing
