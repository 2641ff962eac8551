// The per-voucher-type rules a host hands to the service after loading a
// template: the voucher-number rule and the custom archive relations.
#include "cavra/datasource.h"
#include "cavra/sql_text.h"
#include "core/global_helpers.h"

namespace cavra {
namespace {

// Any IDataSource will do, and GetRsBySql binds no parameters: the voucher
// type goes in as a literal.
Result<RecordsetPtr> Query(IDataSource& dataSource, const std::string& select, const std::string& cardNumber,
                           const std::string& orderBy) {
  std::string card;
  try {
    card = SqlNLiteral(cardNumber);
  } catch (const VbError& e) {
    return e;
  }
  std::string errText;
  RecordsetPtr rs = dataSource.GetRsBySql(select + " where cardnumber = " + card + orderBy, errText);
  if (!rs || !errText.empty())
    return VbError(err::kInvalidCall, errText.empty() ? "the query returned nothing" : errText);
  return rs;
}

}  // namespace

Result<std::string> LoadBillNumberRule(IDataSource& dataSource, const std::string& cardNumber) {
  auto rs = Query(dataSource, "select cRuleXml from VoucherNumberRule", cardNumber, "");
  if (!rs.ok()) return rs.error();
  if ((*rs)->Eof()) return std::string();
  return Null2Str((*rs)->Value("cRuleXml"));
}

Result<RecordsetPtr> LoadCustomRelation(IDataSource& dataSource, const std::string& cardNumber) {
  return Query(dataSource,
               "select ItemKey, IsPrimary, ArchivesName, ArchivesIndex, cTablename"
               " from VoucherCustomRelation",
               cardNumber, " order by ItemKey");
}

}  // namespace cavra
