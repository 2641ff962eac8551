// The state behind clsVoucherService: the subsystem objects and the few
// public variables that belong to no subsystem. Members are declared in
// dependency order, so each subsystem is built after what it uses.
#pragma once

#include <memory>
#include <string>

#include "cavra/voucher_service.h"
#include "core/service_context.h"
#include "data/field_values.h"
#include "data/line_editor.h"
#include "data/voucher_documents.h"
#include "print/printing.h"
#include "template/field_rights.h"
#include "template/template_model.h"

namespace cavra {

class Calculation;
class RowOutline;
class Sorting;
class FieldAuth;
class CustomerInfo;

struct clsVoucherService::Impl {
  explicit Impl(clsVoucherService& self);
  ~Impl();

  // Lets go of the host objects, the template and the documents.
  void Release();

  ServiceContext ctx;
  FieldRights rights;
  TemplateModel model;
  VoucherDocuments documents;
  FieldValues values;
  LineEditor lines;
  std::unique_ptr<Calculation> calculation;
  std::unique_ptr<RowOutline> outline;
  std::unique_ptr<Sorting> sorting;
  std::unique_ptr<FieldAuth> auth;
  std::unique_ptr<CustomerInfo> customer_info;
  Printing printing;

  // Public variables and flags that belong to no subsystem.
  std::int32_t version = 1;
  ObjectPtr call_back_object;
  bool invoke_sort_switch = false;
  VoucherStatusConstants status = VSNormalMode;
  std::string web_root_url;
  std::string sub_id;
  bool allow_skip_tab_stop = true;
  bool stop_set_default_value = false;
  bool stop_assistant_message = false;
  bool enable_link_query = true;
  bool sorter_excludes_extended = false;
  bool portal_notification = true;
  bool template_changed = false;
  std::string save_continue_items;
  ObjectPtr sort_call_back;
  ObjectPtr portal_business_object;
  std::string portal_biz_guid;
};

// Registers the library's default components once per process.
void RegisterLibraryComponents();

}  // namespace cavra
