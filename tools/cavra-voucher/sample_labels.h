// The fixed labels of the sample sales order (examples/sales_order/labels.xml).
#pragma once

namespace cavra::tool {

extern const char* const kSampleLabels;

}  // namespace cavra::tool
