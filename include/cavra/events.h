// clsVoucherServiceEvents: the events a service raises, one virtual member
// per event. A host derives from it, overrides what it listens to and adds
// the sink with clsVoucherService::addEventSink. Events are raised on the
// caller's thread, to every sink in the order they were added.
#pragma once

#include <cstdint>
#include <string>

#include "cavra/export.h"
#include "cavra/variant.h"

namespace cavra {

class CAVRA_EXPORT clsVoucherServiceEvents {
 public:
  virtual ~clsVoucherServiceEvents();

  // A member failed: its error number and description.
  virtual void controlError(std::int32_t /*nErr*/, const std::string& /*Description*/) {}
  // Before printing or exporting; the host may change both documents.
  virtual void PreParePrintEvnet(std::string& /*sStyle*/, std::string& /*sData*/) {}
  // The same in web mode.
  virtual void PreParePrintEvnetWeb(Variant& /*vStyle*/, Variant& /*vData*/) {}
  // A reference field changed and custom fields should be filled back.
  virtual void AutoFillBackEvent(Variant& /*vtIndex*/, const Variant& /*vtCurrentValue*/,
                                 const Variant& /*vtCurrentFieldObject*/,
                                 const Variant& /*vtAutoFieldInfo*/) {}
  // A formula result, before it is stored; nRow is -1 for a header field.
  virtual void ExpressionCalculated(const Variant& /*vtIndexOrgin*/, const Variant& /*vtCurIndex*/,
                                    std::int32_t /*nRow*/, const Variant& /*vtValue*/) {}
  // The user's sort rule changed.
  virtual void SortRuleChanged(const Variant& /*strSortCommmand*/) {}
};

}  // namespace cavra
