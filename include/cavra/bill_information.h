// clsBillInformation: the template-wide settings of a voucher template, read
// from the first row of the template recordset. Plain public fields in
// interface order; nPrintSeril is a property with a rule.
#pragma once

#include <cstdint>
#include <string>

#include "cavra/export.h"
#include "cavra/object.h"

namespace cavra {

class CAVRA_EXPORT clsBillInformation : public Object {
 public:
  std::string sBillNo;
  std::string sAppName;
  bool bShield = false;
  std::string sBillName;
  std::string sCardName;
  std::string sCardType;
  std::string sItemTable;
  std::int32_t nCol = 0;
  std::string sBtTable;
  std::string sBtViewTable;
  std::string sBwTable;
  std::string sBwViewTable;
  std::string bHaveBody;  // the text of a whole number
  std::int32_t nID = 0;
  std::string sName;
  std::int32_t nwidth = 0;
  std::int32_t nheight = 0;
  std::int32_t nBodyTop = 0;
  std::int32_t nBodyLeft = 0;
  std::int32_t nBodyWidth = 0;
  std::int32_t nBodyHeight = 0;
  std::int32_t nBodyFixedCols = 0;
  std::int32_t nBodyMaxRows = 0;
  std::string sSelftDef1;
  std::string sSelftDef2;
  std::string sSelftDef3;
  std::string sRemark;
  std::string sTitle;
  std::int32_t nTitleLeft = 0;
  std::int32_t nTitleTop = 0;
  std::string sFontState;
  std::string sPageHeader;
  std::int32_t nWorkAreaColor = 0;
  std::int32_t nControlStyle = 0;
  std::int32_t nFiexdColor = 0;
  std::int32_t nTotalColor = 0;
  std::int32_t nAmongColor = 0;
  std::string sGridStyleHead;
  std::string sGridStyleBody;
  std::string sGridStyleTotal;
  std::int32_t nPrnRows = 0;
  std::int32_t nPrnRowHeight = 0;
  std::string sHeader;
  std::string sFoot;
  std::string sfootHeaderFont;
  std::int32_t nPrintVTID = 0;
  std::int32_t nPrintGrid = 0;
  bool bPrintFlowMode = false;
  bool bIsBarCodeMode = false;
  bool bAutoWordWrap = false;
  std::int32_t nControlAutoScale = 0;
  bool bPrintTailAfterBody = false;
  std::int32_t nPagesubTotal = 0;
  std::int32_t nPageTotal = 0;
  std::int32_t nAutoCalcHeight = 0;
  std::int32_t nAutoCalcWidth = 0;
  std::int32_t nPrintGridLine = 0;
  std::string sDefWhere;
  std::string sPrintSetting;
  std::string sPrimaryKeyValues;
  std::string sPrimaryKeyFieldNames;
  std::string sReceiptNO;
  std::string sReceiptNOFieldName;
  std::string sSaveObject;
  std::string sPrintGroubyFields;
  std::string sInventoryFieldName;
  std::int32_t nSerialNumberColWidth = 0;
  bool bRowLayoutEnabled = false;
  std::int32_t nTemplateSubType = 0;
  std::string cParentKey;
  std::string cKey;
  std::int16_t nbarcodeMultiple = 0;
  std::string sBarCodeFieldNames;

  // The serial-number flag: 0 when the value set was even, 1 when odd.
  std::int32_t nPrintSeril() const noexcept { return serial_flag_; }
  // nSerialNumberColWidth = n, or 800 when n < 100.
  void nPrintSeril(std::int32_t n) noexcept;

 private:
  std::int32_t serial_flag_ = 0;
};

using BillInfoPtr = std::shared_ptr<clsBillInformation>;

}  // namespace cavra
