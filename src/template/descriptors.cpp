// The property rules of the item and template descriptors.
#include "cavra/bill_information.h"
#include "cavra/item_state.h"

namespace cavra {

bool clsItemState::bCanModify() const noexcept {
  if (AuthFlag == "R" || AuthFlag == "N") return false;
  if (AuthFlag == "W") return true;
  return can_modify_;
}

void clsItemState::bCanModify(bool b) noexcept {
  if (AuthFlag == "N") return;
  if (AuthFlag == "R" && b) return;
  can_modify_ = b;
}

void clsItemState::nBorder(std::int32_t n) {
  border_ = n % 10;  // C++ keeps the dividend's sign, as VB's Mod does
  switch (n / 10) {
    case 1: sPrintPosition = "第一页"; break;
    case 2: sPrintPosition = "最后一页"; break;
    case 3: sPrintPosition = "除第一页"; break;
    case 4: sPrintPosition = "除最后一页"; break;
    case 5: sPrintPosition = "单页"; break;
    case 6: sPrintPosition = "双页"; break;
    case 7: sPrintPosition = "不打印"; break;
    case 8: sPrintPosition = "第一页(整单)"; break;
    case 9: sPrintPosition = "最后一页(整单)"; break;
    default: sPrintPosition = "打印"; break;
  }
}

void clsBillInformation::nPrintSeril(std::int32_t n) noexcept {
  nSerialNumberColWidth = n < 100 ? 800 : n;
  serial_flag_ = (n % 2 == 0) ? 0 : 1;
}

}  // namespace cavra
