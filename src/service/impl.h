// The state behind clsVoucherService: the subsystem objects and nothing
// else. Members are declared in dependency order, so each subsystem is built
// after what it uses.
#pragma once

#include <memory>
#include <string>

#include "business/audit_flow.h"
#include "business/pictures.h"
#include "cavra/voucher_service.h"
#include "core/service_context.h"
#include "data/field_values.h"
#include "data/line_editor.h"
#include "data/voucher_documents.h"
#include "print/printing.h"
#include "service/host_settings.h"
#include "template/field_rights.h"
#include "template/template_model.h"
#include "workflow/bill_number_rule.h"
#include "workflow/custom_relation.h"
#include "workflow/portal.h"

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
  AuditFlow audit;
  Pictures pictures;
  Printing printing;
  Portal portal;
  BillNumberRule bill_rule{model};
  CustomRelation custom_relation{ctx, model};
  HostSettings settings;
};

// Registers the library's default components once per process.
void RegisterLibraryComponents();

}  // namespace cavra
