// clsVoucherServiceEvents: the events a service raises, one virtual member
// per event. A host derives from it, overrides what it listens to and adds
// the sink with clsVoucherService::addEventSink. Events are raised on the
// caller's thread, to every sink in the order they were added.
//
// Calls from a handler. Every member that changes the service runs as a
// pass (a formula pass, a line update, a template or data load with its
// sort, ...); events it raises, its own controlError included, reach the
// handler while the pass is still at work. Until the pass returns:
//  - Members that only read work as usual and see the state as it is then:
//    headerText, bodyText, ItemState, GetLastError, getVoucherDataXML,
//    QueryDataLineStatus, GetCustomerInfo, the property reads, ...
//  - Every member that changes the service is refused: it changes nothing,
//    returns its failed value (false, null, "" or nothing) and reports error
//    10 with one text naming the member (catalogue key
//    "Cavra.VCH.PassInProgress"), as last error and through controlError. A
//    refusal made inside a controlError handler only sets the last error and
//    raises no further controlError, so a handler that retries cannot recurse.
//    Refused: setTemplateData, RefreshTemplate, setVoucherDataXML,
//    UpdateLineData, ExecCalcExpression, CalcRowNO, ResetSigh, SetCurrentRow,
//    NotifyVoucherSortChange, LoginObj, SetDataSource, InitDataSource,
//    UnInitialise, attachBodyGrid, setVoucherStatus, SetVoucherAuth,
//    SaveCustomerInfo, SetBillNumberRule, SetCustomRelation,
//    CallAutoFillBackEvent, the printing and export
//    members, and every property write (TotalText, BodyMaxRows, WebMode,
//    Version, BodyReadOnly, the Body grid properties, ...).
//  - addEventSink and removeEventSink are allowed; a sink added in a handler
//    hears the next event, a sink removed still hears the current one.
// SortRuleChanged is the exception: NotifyVoucherSortChange raises it outside
// any pass, as the host's chance to store the command and reload the data
// (setVoucherDataXML then does not re-sort), so its handler may change the
// service.
// A member that only reads holds no pass: the controlError of a failed read
// made outside any pass is raised once the read is done with the state.
// A handler must not destroy the service. To change the service in answer to
// an event, note what to do and do it once the call has returned.
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
  // A reference field changed and custom fields should be filled back:
  // vtIndex is the field name, vtCurrentValue Empty, vtCurrentFieldObject its
  // clsItemState and vtAutoFieldInfo the clsCustomRecord (vtAppend holds the
  // body row) whose m_colCustom lists the fields to fill.
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
