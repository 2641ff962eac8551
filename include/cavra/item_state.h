// clsItemState: the descriptor of one template field (its data name,
// section, type, format, rights and print settings). Template loading fills
// one per template row; hosts may read and change them through
// clsVoucherService::ItemState. Plain public fields, in interface order,
// except four properties with rules (nReferType, bCanModify, nNumPoint,
// nBorder), written as get/set overloads.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "cavra/collection.h"
#include "cavra/export.h"
#include "cavra/object.h"

namespace cavra {

namespace detail {
struct ItemStateAccess;
}

class CAVRA_EXPORT clsItemState : public Object {
 public:
  std::int32_t nID = 0;
  std::string sCardNum;
  std::string sCareItemNum;
  std::string sCardItemName;
  bool bCannotSelect = false;
  bool showIt = false;
  std::int32_t nLinkit = 0;
  std::string sLinkTbl;
  std::string sLinkField;
  std::string sTableName;
  std::string sFieldName;
  std::int32_t nFieldType = 0;
  std::string sReferTable;
  std::string sReferReserve1;
  std::string sReferReserve2;
  std::string sReferReserve3;
  std::string sCardSection;
  std::string sCardFormula1;
  std::string sCardFormula2;
  std::int32_t nMaxLength = 0;
  std::int32_t nMaxShowLength = 0;
  std::int32_t m_nNumPoint = 0;
  bool bIsNull = false;
  bool bCanDelete = false;
  std::string sUserCheck;
  std::string sUserPrompt;
  std::string sFormatChar;
  std::string bIsMain;  // the text of a whole number
  std::int32_t nNeedSum = 0;
  bool bCalcField = false;
  std::string sAliasNum;
  std::int32_t nIsSelfDef = 0;
  std::int32_t nCOX = 0;
  std::int32_t nCOY = 0;
  std::int32_t nwidth = 0;
  std::int32_t nheight = 0;
  std::int32_t nTabIndex = 0;
  std::string sDefaultValue;
  bool bIsFixedLenght = false;
  std::string sFormatData;
  std::string sFontState;
  bool bPrintCaption = false;
  bool bPrintUpcase = false;
  std::string sPrintInterval;
  std::int32_t nDataSource = 0;
  std::int32_t nEnterType = 0;
  std::string sDataRule;
  bool bValidityCheck = false;
  bool bBuildArchives = false;
  bool ReserveSegTitlePos = false;
  // Keys ("T"/"B" + field name) of items whose formula uses this item.
  std::shared_ptr<Collection<std::string>> collLink;
  std::int32_t nCanDelete = 0;
  std::string Reserve1;
  std::string Reserve2;
  std::string Reserve3;
  std::string Reserve4;
  std::string Reserve5;  // 1-based position in the item collection
  std::string Reserve6;  // 1-based visible position within the section
  std::int32_t ObjCtlIndex = 0;
  // "key" + name -> code and "name" + code -> name; only when IsEnum.
  std::shared_ptr<Collection<std::string>> collEnumMap;
  bool IsEnum = false;
  std::string EnumTypestring;
  bool IsPrimaryKey = false;
  bool bZeroAllowable = false;
  std::string vValueDefault;
  std::string sRefObject;
  std::string AuthFlag;  // "" none, "R" read-only, "N" hidden, "W" writable by workflow
  std::string AutoFillRule;
  bool ReferAutoDisplayText = false;
  std::string sPrintPosition;
  bool IsJoinQuery = false;
  bool bExtended = false;
  std::int16_t bIMFld = 0;
  bool bAutoComplete = false;
  bool bColShow = false;
  std::string cMultiTableHeaderTitle;

  std::int32_t nReferType() const noexcept { return refer_type_; }
  void nReferType(std::int32_t n) noexcept { refer_type_ = n; }

  // False under "R" and "N", True under "W", else the stored value.
  bool bCanModify() const noexcept;
  // Ignored under "N"; under "R" only False is stored.
  void bCanModify(bool b) noexcept;

  std::int32_t nNumPoint() const noexcept { return m_nNumPoint; }
  void nNumPoint(std::int32_t n) noexcept { m_nNumPoint = n; }

  std::int32_t nBorder() const noexcept { return border_; }
  // Stores n modulo 10 (sign kept) and sets sPrintPosition from n / 10.
  void nBorder(std::int32_t n);

 private:
  friend struct detail::ItemStateAccess;
  std::int32_t refer_type_ = 0;
  bool can_modify_ = false;
  std::int32_t border_ = 0;
  std::int32_t border_line_ = -1;
  const void* owner_ = nullptr;
};

using ItemPtr = std::shared_ptr<clsItemState>;
using ItemCollection = Collection<ItemPtr>;

}  // namespace cavra
