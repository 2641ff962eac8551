#include "business/voucher_summary.h"

#include "core/global_helpers.h"
#include "core/trace_log.h"
#include "platform/error_flow.h"
#include "platform/vbstring.h"

namespace cavra {
namespace {
constexpr int kSummaryFields = 5;
}  // namespace

std::string VoucherSummary::GetVoucherSummaryInfo() {
  Trace("IM开始取的摘要信息--");
  std::string result = "<Summary>";
  int listed = 0;
  SkipErrors([&] {
    const std::vector<std::int32_t>& positions = model_.HeadPositions();
    for (std::size_t k = 1; k < positions.size() && listed < kSummaryFields; ++k) {
      SkipErrors([&] {
        const ItemPtr item = model_.ItemState(Variant(positions[k]), siHeader);
        if (!item || !item->showIt) return;
        std::string caption = vb::Trim(item->sCardFormula1);
        if (caption.empty()) caption = vb::Trim(item->sCardItemName);
        const std::string value = CStr(header_.headerDisplayText(item->sFieldName));
        // The field name goes in as it stands: template names are plain.
        result += "<Field Name='" + item->sFieldName + "' DisplayName='" + XmlEncode(caption) +
                  "' Value='" + XmlEncode(value) + "' />";
        ++listed;
      });
    }
  });
  result += "</Summary>";
  Trace(result, "IM结束取的摘要信息--");
  return result;
}

}  // namespace cavra
