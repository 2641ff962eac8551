// CustomRelation: the service's custom archive relations (one
// clsCustomManager, replaced by every SetCustomRelation) and the back-fill
// event a changed reference field raises. Nothing here raises to the host:
// failures are a false result and a trace-log line.
#pragma once

#include <cstdint>
#include <string>

#include "cavra/custom_manager.h"
#include "core/service_context.h"
#include "template/template_model.h"

namespace cavra {

class CustomRelation {
 public:
  CustomRelation(ServiceContext& context, TemplateModel& model);

  // A new manager built from vtRecordSet and the template's items; false
  // when there are no rows, no items, or the rows cannot be read.
  bool SetCustomRelation(const Variant& vtRecordSet);
  // The record whose custom fields a change of vtIndex fills back.
  bool IsAutoFillBackFillCustomField(const Variant& vtIndex, Variant& oResult);
  // Raises AutoFillBackEvent for body field sFieldName at line Row when the
  // field has a back-fill relation.
  void CallAutoFillBackEvent(const std::string& sFieldName, std::int32_t Row);

  // The manager in use (an empty one when none was set).
  const CustomManagerPtr& Manager();

 private:
  ServiceContext& ctx_;
  TemplateModel& model_;
  CustomManagerPtr manager_;
};

}  // namespace cavra
