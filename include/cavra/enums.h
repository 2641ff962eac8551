// Enumerations and records of the public interface. Names and values are
// part of the contract with hosts.
#pragma once

#include <cstdint>
#include <string>

#include "cavra/recordset.h"
#include "cavra/variant.h"

namespace cavra {

enum VoucherStatusConstants : std::int32_t { VSNormalMode = 0, VSeEditMode = 1, VSeAddMode = 2 };
enum SectionsConstants : std::int32_t { siHeader = 0, sibody = 1, SiOther = 2 };
enum CellCheckStatusConstants : std::int32_t { CCS_LostFocus = 0, CCS_AfterBrowse = 1 };
enum ItemStatusConstants : std::int32_t { ISTReadOnly = 0, ISTReadWrite = 1 };
enum AddLineStateConstants : std::int32_t {
  ALSFirst = 0, ALSPrevious = 1, ALSNext = 2, ALSLast = 3, ALPostion = 4
};
enum AlignmentsConstants : std::int32_t { Left_Justify = 0, Right_Justify = 1, Center = 2 };
enum AddNewModeConstants : std::int32_t {
  ANMNormalAdd = 0, ANMCopyBT = 1, ANMCopyBw = 2, ANMCopyALL = 3
};
enum CheckRet : std::int32_t { Cancel = 0, retry = 1, success = 2 };
enum ControlScrollBars : std::int32_t {
  ScrollNone = 0, ScrollHorizontal = 1, ScrollVertical = 2, ScrollBoth = 3
};
enum ControlAutoScales : std::int32_t { autonone = 0, AutoHorizontal = 1, AutoVertical = 2, AutoBoth = 3 };
enum RedBlueStatusConstants : std::int32_t { NormalVoucher = 0, BlueVoucher = 1, RedVoucher = 2 };
enum SearchTypeConstants : std::int32_t { Normal = 0, SeniorCondition = 1, ListSearch = 2 };
enum SearchEum : std::int32_t { vlSearchAll = 0, vlSearchDown = 1, vlSearchUp = 2 };

// Published for hosts; no member of the library takes them.
struct ReferParameter {
  RecordsetPtr RstClass;
  RecordsetPtr RstGrid;
  std::string sResultXml;
  bool bValid = false;
  std::string sXMLFilterPara;
  std::string sSQL;
  bool Cancel = false;
  std::string ID;
  bool AutoDisplayText = false;
  std::string RetField;
  std::string ReferMetaXML;
  std::int16_t MultiSelect = 0;
  std::string ReservedField1;
  std::string ReservedField2;
  CellCheckStatusConstants CellCheckStatus = CCS_LostFocus;
};

struct RecordInfo {
  bool bOriginal = false;
  Variant varBookmark;
};

}  // namespace cavra
