#include "print/print_count.h"

#include <ctime>

#include "cavra/sql_text.h"
#include "core/global_helpers.h"
#include "core/service_context.h"
#include "core/thread_state.h"
#include "core/trace_log.h"
#include "platform/vbstring.h"

namespace cavra {

std::string PrintCountSql(std::string_view receiptNo, std::string_view billNo) {
  return "select sum(total) as total,max(lastprintTime) as  lastprintTime,GetDate() as CurrentServerDate "
         "from PrintPolicy_VCH" +
         std::string(" where  vchid=") + SqlLiteral(receiptNo) + " and PolicyID like " +
         SqlLiteral(std::string(billNo) + "_%");
}

std::string PrintCountUser(const ServiceContext& ctx) {
  if (ctx.DataSourceObject() && Thread().webMode) {
    try {
      return ctx.DataSourceObject()->GetUserName();
    } catch (...) {
      // A data source without users: the login knows the name.
    }
  }
  if (ctx.LoginObject()) {
    try {
      return ctx.LoginObject()->cUserName();
    } catch (...) {
    }
  }
  return {};
}

std::string LocalDateTimeText() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
  return text;
}

std::string DateTimeText(std::string_view value) {
  std::string text = vb::Trim(value);
  const bool dateShape = text.size() >= 10 && text[4] == '-' && text[7] == '-';
  if (!dateShape) return text;
  if (text.size() == 10) return text + " 00:00:00";
  if (text[10] == 'T') text[10] = ' ';
  return text.substr(0, 19);
}

std::string PrintCountText(const ServiceContext& ctx, std::string_view receiptNo, std::string_view billNo,
                           std::int32_t mode, std::string_view now) {
  const std::string user = mode == 0 ? std::string() : PrintCountUser(ctx);
  Variant total, lastPrint, serverDate;
  try {
    if (ctx.DataSourceObject()) {
      std::string err;
      const RecordsetPtr rs = ctx.DataSourceObject()->GetRsBySql(PrintCountSql(receiptNo, billNo), err);
      if (rs && rs->IsOpen() && !rs->Eof()) {
        total = rs->Value("total");
        lastPrint = rs->Value("lastprintTime");
        serverDate = rs->Value("CurrentServerDate");
      } else if (!err.empty()) {
        Trace(InfoMessage("PrintCountText", err));
      }
    }
  } catch (...) {
    Trace(InfoMessage("PrintCountText", CurrentErrorInfo().second));
  }
  const bool none = total.IsNull() || total.IsEmpty();
  // Without a server clock the local one stands in.
  const std::string server =
      serverDate.IsNull() || serverDate.IsEmpty() ? std::string(now) : DateTimeText(Null2Str(serverDate));
  if (mode == 0) {
    if (none) return "0/" + std::string(now);
    return Null2Str(total) + "/" + DateTimeText(Null2Str(lastPrint));
  }
  if (none) return user + "/1/" + server;
  return user + "/" + std::to_string(static_cast<std::int64_t>(Null2Dbl(total)) + 1) + "/" + server;
}

}  // namespace cavra
