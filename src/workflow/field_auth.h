// FieldAuth: field rights that change with the voucher's workflow step.
// An edit-mode data load asks the data source which fields are writable at
// the current step and makes every other field read-only; an add-mode load,
// or a voucher that left its workflow, lifts those rights again.
#pragma once

#include <string>

#include "cavra/enums.h"
#include "core/service_context.h"
#include "data/line_editor.h"
#include "template/field_rights.h"
#include "template/template_model.h"

namespace cavra {

class FieldAuth {
 public:
  FieldAuth(ServiceContext& context, TemplateModel& model, FieldRights& rights, LineEditor& lines);

  // Stores the field-right string for the next template load; always false.
  bool SetVoucherAuth(const std::string& sAuth);
  // The voucher status the host set (setVoucherStatus); a data load reacts
  // to it.
  VoucherStatusConstants VoucherStatus() const noexcept { return status_; }
  void SetVoucherStatus(VoucherStatusConstants status) noexcept { status_ = status; }
  // The reaction of a data load to the voucher status.
  void OnDataLoaded();
  // Fetches and applies the workflow rights of the loaded voucher.
  void LoadWorkflowFieldAuth();
  // Writes the flags of every item from the workflow list (workflow true)
  // or from the read-only list (false).
  void SetFieldAuth(bool workflow);

 private:
  void Lift();

  ServiceContext& ctx_;
  TemplateModel& model_;
  FieldRights& rights_;
  LineEditor& lines_;
  VoucherStatusConstants status_ = VSNormalMode;
};

}  // namespace cavra
