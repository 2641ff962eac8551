// clsVoucherService: construction, tear-down, host objects, the public
// variables and the template members. Each member forwards to the subsystem
// that owns the behaviour; the other member groups live beside this file.
#include "cavra/voucher_service.h"

#include <cmath>
#include <mutex>

#include "cavra/components.h"
#include "cavra/datasource.h"
#include "components/defaults.h"
#include "core/resources.h"
#include "core/thread_state.h"
#include "core/trace_log.h"
#include "data/calculation.h"
#include "data/row_outline.h"
#include "data/sorting.h"
#include "platform/error_flow.h"
#include "print/print_preparation.h"
#include "print/row_layout.h"
#include "service/impl.h"
#include "template/item_metadata.h"
#include "workflow/customer_info.h"
#include "workflow/field_auth.h"

namespace cavra {

void RegisterLibraryComponents() {
  static std::once_flag once;
  std::call_once(once, [] {
    RegisterResourceComponents();
    RegisterDefaultComponents();
    RegisterDataSourceComponents();
    RegisterPrintComponents();
  });
}

namespace {
// Registered when the library loads, so that a host's own registrations,
// made later, replace the defaults.
[[maybe_unused]] const bool kRegistered = (RegisterLibraryComponents(), true);
}  // namespace

clsVoucherService::Impl::Impl(clsVoucherService& self)
    : model(ctx, rights, &self),
      documents(ctx, model),
      values(ctx, model, documents),
      lines(ctx, model, documents, values),
      calculation(std::make_unique<Calculation>(ctx, model, documents, values)),
      outline(std::make_unique<RowOutline>(ctx, model, documents)),
      sorting(std::make_unique<Sorting>(ctx, model, documents, *outline)),
      auth(std::make_unique<FieldAuth>(ctx, model, rights, lines)),
      customer_info(std::make_unique<CustomerInfo>(ctx, model)),
      audit(ctx, model),
      pictures(ctx),
      printing(ctx) {
  auto read_sort_command = [this] {
    std::string kind = "VoucherSorterCommand";
    std::string id = std::to_string(model.Bill().nID);
    const Variant v = customer_info->GetCustomerInfo(kind, id);
    return v.IsString() ? v.AsString() : std::string();
  };
  lines.SetLineRecalculator([this](std::int32_t line) { calculation->ExecCalcExpression(line); });
  printing.SetVoucherAccess({[this] {
                               const clsBillInformation& bill = model.Bill();
                               return PrintedVoucher{bill.sBillNo, bill.sReceiptNO, bill.sTitle, bill.nID};
                             },
                             [this](const std::string& field) {
                               const ItemPtr item = model.FindItem(field, false);
                               return item ? values.HeaderValue(*item) : std::string();
                             }});
  model.SetSortCommandReader(read_sort_command);
  values.SetPictureFileWriter([this](const std::string& id) { return pictures.PictureFile(id); });
  auto preparation =
      std::make_shared<PrintPreparation>(ctx, model, documents, values, rights, *customer_info);
  preparation->SetRowLayoutPrinter(std::make_shared<ServiceRowLayoutPrinter>(ctx, documents, values));
  preparation->SetLabelSources(
      {[this](const std::string& id, const std::string& flag) { return audit.BuildAuditDisplay(id, flag); },
       [this](const std::string& reference) { return pictures.PictureText(reference, nullptr); }});
  printing.SetPreparation(std::move(preparation));
  sorting->SetSortCommandReader(read_sort_command);
}

clsVoucherService::Impl::~Impl() = default;

// ---------------------------------------------------------------- lifecycle

clsVoucherService::clsVoucherService() : clsVoucherService(ServiceEnvironment{}) {}

clsVoucherService::clsVoucherService(const ServiceEnvironment& environment) {
  RegisterLibraryComponents();
  RefreshTraceLogSwitch();
  Trace(InfoMessage("Class_Initialize", "开始执行... ..."));
  const double start = Timer();
  impl_ = std::make_unique<Impl>(*this);
  impl_->ctx.UseEnvironment(environment);
  SkipErrors([&] { InitResourceService(impl_->ctx.Components()); });
  if (!Thread().webMode) {
    SkipErrors([&] {
      ServiceContext& ctx = impl_->ctx;
      ctx.SetDataSource(ctx.Components().CreateAs<IDataSource>("DataSourceKit.DefaultDataSource"));
    });
  }
  double elapsed = Timer() - start;
  if (elapsed < 0) elapsed += 86400;
  Trace(InfoMessage("Class_Initialize", "执行结束，耗时（毫秒）："), std::to_string(std::int64_t(elapsed * 1000)));
}

clsVoucherService::~clsVoucherService() { impl_->Release(); }

void clsVoucherService::UnInitialise() {
  if (impl_->ctx.RefuseInPass("UnInitialise")) return;
  ServiceContext::Pass pass(impl_->ctx);
  impl_->Release();
}

void clsVoucherService::Impl::Release() {
  Impl& i = *this;
  SkipErrors([&] { i.printing.Release(); });
  SkipErrors([&] { i.sorting->Release(); });
  SkipErrors([&] { i.portal.ReleaseBusinessObject(); });
  SkipErrors([&] { i.ctx.SetDataSource(nullptr); });
  SkipErrors([&] { i.model.Release(); });
  i.audit.Clear();
  SkipErrors([&] {
    i.documents.ReplaceHead(NewDom());
    i.documents.ReplaceBody(NewDom());
  });
  SkipErrors([&] { i.portal.ReleaseCallBackObject(); });
}

void clsVoucherService::addEventSink(std::shared_ptr<clsVoucherServiceEvents> sink) {
  impl_->ctx.AddSink(std::move(sink));
}
void clsVoucherService::removeEventSink(const std::shared_ptr<clsVoucherServiceEvents>& sink) {
  impl_->ctx.RemoveSink(sink);
}
void clsVoucherService::attachBodyGrid(BodyGridPtr grid) {
  if (!impl_->ctx.RefuseInPass("attachBodyGrid")) impl_->ctx.SetGrid(std::move(grid));
}
void clsVoucherService::setVoucherStatus(VoucherStatusConstants status) {
  if (!impl_->ctx.RefuseInPass("setVoucherStatus")) impl_->auth->SetVoucherStatus(status);
}
std::int32_t clsVoucherService::BodyLineCount() const { return impl_->documents.LineCount(); }

// ---------------------------------------------------------------- variables

std::int32_t clsVoucherService::Version() const { return impl_->settings.Version(); }
void clsVoucherService::Version(std::int32_t v) {
  if (!impl_->ctx.RefuseInPass("Version")) impl_->settings.SetVersion(v);
}
ObjectPtr clsVoucherService::CallBackObject() const { return impl_->portal.CallBackObject(); }
void clsVoucherService::CallBackObject(ObjectPtr o) {
  if (!impl_->ctx.RefuseInPass("CallBackObject")) impl_->portal.SetCallBackObject(std::move(o));
}
bool clsVoucherService::m_InvokSortObjectSwitch() const { return impl_->sorting->InvokeSortSwitch(); }
void clsVoucherService::m_InvokSortObjectSwitch(bool b) {
  if (!impl_->ctx.RefuseInPass("m_InvokSortObjectSwitch")) impl_->sorting->SetInvokeSortSwitch(b);
}
bool clsVoucherService::m_BodyChineseData() const { return impl_->documents.BodyChineseData(); }
void clsVoucherService::m_BodyChineseData(bool b) {
  if (!impl_->ctx.RefuseInPass("m_BodyChineseData")) impl_->documents.SetBodyChineseData(b);
}

// ---------------------------------------------------------------- host objects

LoginPtr clsVoucherService::LoginObj() {
  if (!impl_->ctx.LoginObject()) impl_->ctx.RaiseControlError(0, "");
  return impl_->ctx.LoginObject();
}

void clsVoucherService::LoginObj(LoginPtr login) {
  ServiceContext& ctx = impl_->ctx;
  if (ctx.RefuseInPass("LoginObj")) return;
  ServiceContext::Pass pass(ctx);
  try {
    ctx.SetLogin(login);
    if (ctx.GridObject()) ctx.GridObject()->LoginObj(login);
    if (!login) ctx.RaiseControlError(0, "对象为空，赋值无效！");
  } catch (...) {
    ctx.RaiseControlError(CurrentErrorInfo().first, "赋值错误");
  }
}

Variant clsVoucherService::SetDataSource() const { return Variant(ObjectPtr(impl_->ctx.DataSourceObject())); }

void clsVoucherService::SetDataSource(DataSourcePtr dataSource) {
  Impl& i = *impl_;
  if (i.ctx.RefuseInPass("SetDataSource")) return;
  ServiceContext::Pass pass(i.ctx);
  SkipErrors([&] { i.ctx.SetDataSource(dataSource); });
  if (Thread().webMode) {
    SkipErrors([&] { i.ctx.SetLogin(nullptr); });
    SkipErrors([&] { i.settings.SetWebRootURL(i.ctx.DataSource().WebRootURL()); });
  } else {
    SkipErrors([&] { i.ctx.SetLogin(i.ctx.DataSource().GetLogin()); });
    SkipErrors([&] {
      if (!i.ctx.LoginObject()) throw VbError::Standard(err::kObjectNotSet);
      i.settings.SetSubId(i.ctx.LoginObject()->cSub_Id());
    });
    i.settings.SetWebRootURL({});
  }
  i.model.ReadAccountOptions();
}

void clsVoucherService::InitDataSource() {
  ServiceContext& ctx = impl_->ctx;
  if (ctx.RefuseInPass("InitDataSource")) return;
  ServiceContext::Pass pass(ctx);
  if (!ctx.DataSourceObject()) {
    SkipErrors([&] {
      ctx.SetDataSource(ctx.Components().CreateAs<IDataSource>("DataSourceKit.DefaultDataSource"));
    });
    if (!ctx.DataSourceObject()) Trace("InitDataSource -- XXXX", "创建单据数据源对象Fail!");
  }
  ctx.DataSource().setLogin(ctx.LoginObject());
}

bool clsVoucherService::WebMode() const { return Thread().webMode; }
void clsVoucherService::WebMode(bool b) {
  if (!impl_->ctx.RefuseInPass("WebMode")) Thread().webMode = b;
}
std::string clsVoucherService::GetLastError() { return impl_->ctx.TakeLastError(); }
BillInfoPtr clsVoucherService::GetVoucherState() const { return impl_->model.BillInfo(); }
VoucherStatusConstants clsVoucherService::VoucherStatus() const { return impl_->auth->VoucherStatus(); }

std::int32_t clsVoucherService::BodyMaxRows() const {
  return impl_->model.BodyMaxRows();
}

void clsVoucherService::BodyMaxRows(std::int32_t n) {
  if (!impl_->ctx.RefuseInPass("BodyMaxRows")) impl_->model.SetBodyMaxRows(n);
}

Variant clsVoucherService::About() { return {}; }
void clsVoucherService::test() {}

bool clsVoucherService::IsAllowskipTapstopItem() const { return impl_->settings.AllowSkipTabStop(); }
void clsVoucherService::IsAllowskipTapstopItem(bool b) {
  if (!impl_->ctx.RefuseInPass("IsAllowskipTapstopItem")) impl_->settings.SetAllowSkipTabStop(b);
}
void clsVoucherService::StopSetDefaultValue(bool b) {
  if (!impl_->ctx.RefuseInPass("StopSetDefaultValue")) impl_->settings.SetStopSetDefaultValue(b);
}
bool clsVoucherService::StopAssistantMessage() const { return impl_->settings.StopAssistantMessage(); }
void clsVoucherService::StopAssistantMessage(bool b) {
  if (!impl_->ctx.RefuseInPass("StopAssistantMessage")) impl_->settings.SetStopAssistantMessage(b);
}
void clsVoucherService::TemplateIsChanged(bool b) {
  if (!impl_->ctx.RefuseInPass("TemplateIsChanged")) impl_->settings.SetTemplateChanged(b);
}
void clsVoucherService::SaveContinueItems(const std::string& s) {
  if (!impl_->ctx.RefuseInPass("SaveContinueItems")) impl_->settings.SetSaveContinueItems(s);
}
bool clsVoucherService::SorterExcludeExtendedField() const {
  return impl_->sorting->ExcludesExtendedFields();
}
bool clsVoucherService::EnableLinkQuery() const { return impl_->settings.EnableLinkQuery(); }
Variant clsVoucherService::CurrentFocus() const { return Variant(false); }
std::string clsVoucherService::VoucherType() const { return {}; }

// ---------------------------------------------------------------- template

void clsVoucherService::setTemplateData(const RecordsetPtr& rstTemplate) {
  Impl& i = *impl_;
  if (i.ctx.RefuseInPass("setTemplateData")) return;
  ServiceContext::Pass pass(i.ctx);
  if (rstTemplate) {
    i.printing.TemplateLoaded();
    i.values.ResetFormats();
  }
  i.model.setTemplateData(rstTemplate);
  if (rstTemplate) i.calculation->TemplateLoaded();
}

void clsVoucherService::RefreshTemplate() {
  Impl& i = *impl_;
  if (i.ctx.RefuseInPass("RefreshTemplate")) return;
  ServiceContext::Pass pass(i.ctx);
  i.printing.TemplateLoaded();
  i.values.ResetFormats();
  i.model.RefreshTemplate();
  i.calculation->TemplateLoaded();
}

RecordsetPtr clsVoucherService::GetTemplateData() const { return impl_->model.TemplateData(); }
std::int32_t clsVoucherService::HeadInfoCount() const { return impl_->model.HeadCount(); }
std::int32_t clsVoucherService::BodyInfoCount() const { return impl_->model.BodyCount(); }

ItemPtr clsVoucherService::ItemState(const Variant& Index, std::int32_t section) {
  return impl_->model.ItemState(Index, section);
}
std::int32_t clsVoucherService::LookUpArray(const std::string& skey, SectionsConstants eSection) {
  return impl_->model.LookUpArray(skey, eSection);
}
std::int32_t clsVoucherService::LookUpArrayFromKey(const std::string& skey, SectionsConstants eSection) {
  return impl_->model.LookUpArrayFromKey(skey, eSection);
}
std::string clsVoucherService::Debug_KeyWord(SectionsConstants eSection) {
  return impl_->model.Debug_KeyWord(eSection);
}
std::int16_t clsVoucherService::getRefType(const Variant& nRefType) { return TemplateModel::getRefType(nRefType); }
bool clsVoucherService::GetColAutoDisplayText(const Variant& Col) { return impl_->model.GetColAutoDisplayText(Col); }
void clsVoucherService::GetCollectFromEnumString(const std::string& sEnumString, Collection<std::string>& tempCol) {
  cavra::GetCollectFromEnumString(sEnumString, tempCol);
}

std::string clsVoucherService::GetChineseFieldNameMap(const std::string& sChineseFieldName) {
  return impl_->documents.BodyFieldNameOf(sChineseFieldName);
}

}  // namespace cavra
