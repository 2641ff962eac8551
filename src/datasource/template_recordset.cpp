#include <string_view>

#include "cavra/datasource.h"
#include "cavra/sql_text.h"
#include "cavra/template_layout.h"
#include "platform/vbstring.h"

namespace cavra {
namespace {

// Template-wide columns kept per voucher type (vouchers_base); the others
// are per template (vouchertemplates_base).
constexpr std::string_view kCardColumns[] = {"AppName",
                                             "Shield",
                                             "Name",
                                             "cCardName",
                                             "CardType",
                                             "ItemTblName",
                                             "VchTblPrimarykeyNames",
                                             "ReceiptNOFieldName",
                                             "itemCol",
                                             "BTTblName",
                                             "BTQName",
                                             "BWTblName",
                                             "BWQName",
                                             "HaveBodyGrid"};

bool IsCardColumn(std::string_view name) {
  for (auto c : kCardColumns)
    if (c == name) return true;
  return false;
}

}  // namespace

Result<RecordsetPtr> LoadTemplateRecordset(IDataSource& dataSource, const std::string& cardNumber,
                                           std::int32_t templateId) {
  // Any IDataSource will do, and GetRsBySql binds no parameters: the voucher
  // type goes in as a literal.
  std::string card;
  try {
    card = SqlNLiteral(cardNumber);
  } catch (const VbError& e) {
    return e;
  }
  std::string sql = "select ";
  for (std::size_t i = 0; i < kTemplateItemColumnCount; ++i) {
    const std::string name(kTemplateItemColumns[i]);
    if (vb::StartsWith(name, "reserved")) {
      sql += "null";
    } else if (name == "isnull") {
      sql += "i.isnull_flag";
    } else {
      sql += "i." + name;
    }
    sql += " as \"" + name + "\", ";
  }
  for (auto column : kTemplateColumns) {
    const std::string name(column);
    if (name == "CardNumber") {
      sql += "i.tmpl_cardnumber";
    } else {
      sql += (IsCardColumn(name) ? "b." : "t.") + name;
    }
    sql += " as \"" + name + "\", ";
  }
  sql.resize(sql.size() - 2);
  sql +=
      " from vouchertemplates_items i"
      " inner join vouchertemplates_base t on t.vt_cardnumber = i.tmpl_cardnumber and t.VT_ID = i.tmpl_id"
      " left join vouchers_base b on b.CardNumber = i.tmpl_cardnumber"
      " where i.tmpl_cardnumber = " +
      card + " and i.tmpl_id = " + std::to_string(templateId) +
      " order by case when upper(i.cardsection) = 'B' then 0 when upper(i.cardsection) = 'T' then 1 else 2 "
      "end,"
      " i.item_order";
  std::string errText;
  RecordsetPtr rs = dataSource.GetRsBySql(sql, errText);
  if (!rs || !errText.empty())
    return VbError(err::kInvalidCall, errText.empty() ? "the template query returned nothing" : errText);
  if (rs->RecordCount() == 0)
    return VbError(err::kNoCurrentRecord, "template " + std::to_string(templateId) + " of voucher type " +
                                              cardNumber + " has no items");
  for (std::size_t i = 0; i < kTemplateItemColumnCount; ++i)
    if (vb::StartsWith(kTemplateItemColumns[i], "reserved"))
      rs->SetFieldType(static_cast<std::int32_t>(i), "");
  return rs;
}

}  // namespace cavra
