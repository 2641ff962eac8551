// The sample sales order of a database seeded with the examples (voucher type
// 17, template 12, order 1000001), loaded into a service the way a host loads it.
#pragma once

#include <gtest/gtest.h>

#include "cavra/datasource.h"
#include "cavra/rowset.h"
#include "cavra/voucher_service.h"

namespace cavra::testing {

// Loads the template and the order into svc and gives the template recordset
// (null, with a test failure, when the database lacks them).
inline RecordsetPtr LoadSampleOrder(SqlDataSource& db, clsVoucherService& svc) {
  auto tpl = LoadTemplateRecordset(db, "17", 12);
  auto head = db.QuerySql("select * from SO_SOMain where ID=?", {Variant(1000001)});
  auto body = db.QuerySql("select * from SO_SODetails where ID=? order by AutoID", {Variant(1000001)});
  EXPECT_TRUE(tpl.ok() && head.ok() && body.ok());
  if (!tpl.ok() || !head.ok() || !body.ok()) return nullptr;
  svc.setTemplateData(*tpl);
  EXPECT_TRUE(svc.setVoucherDataXML(RecordsetToRowset(**head), RecordsetToRowset(**body)));
  return *tpl;
}

}  // namespace cavra::testing
