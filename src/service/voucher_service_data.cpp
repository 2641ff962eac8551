// clsVoucherService: voucher data, field values and body lines.
#include "cavra/voucher_service.h"
#include "data/calculation.h"
#include "data/row_outline.h"
#include "data/sorting.h"
#include "platform/error_flow.h"
#include "service/impl.h"
#include "workflow/field_auth.h"

namespace cavra {

bool clsVoucherService::setVoucherDataXML(const DomPtr& oDOmHead, const DomPtr& oDomBody) {
  return LoadVoucherData(oDOmHead, oDomBody, false);
}

bool clsVoucherService::setVoucherDataXML(DomPtr&& oDOmHead, DomPtr&& oDomBody) {
  const DomPtr head = std::move(oDOmHead), body = std::move(oDomBody);
  // The outline reads the body as given, deleted rows included, after the
  // load has moved them out of the kept copy: it gets copies.
  const bool adopt = (!head || head.use_count() == 1) && (!body || body.use_count() == 1) &&
                     !impl_->model.IsRowOutline();
  return LoadVoucherData(head, body, adopt);
}

bool clsVoucherService::LoadVoucherData(const DomPtr& oDOmHead, const DomPtr& oDomBody, bool adopt) {
  Impl& i = *impl_;
  if (i.ctx.RefuseInPass("setVoucherDataXML")) return false;
  ServiceContext::Pass pass(i.ctx);
  SkipErrors([&] { i.documents.Load(oDOmHead, oDomBody, adopt); });
  if (oDomBody) SkipErrors([&] { i.outline->BuildTop(oDomBody); });
  i.sorting->OnDataLoaded();
  SkipErrors([&] { i.auth->OnDataLoaded(); });
  return true;
}

void clsVoucherService::getVoucherDataXML(DomPtr& oDOmHead, DomPtr& oDomBody) {
  impl_->documents.GetVoucherDataXML(oDOmHead, oDomBody);
}
DomPtr clsVoucherService::GetHeadDom() { return impl_->documents.GetHeadDom(); }
DomPtr clsVoucherService::GetLineDom(std::int32_t nRow) { return impl_->documents.GetLineDom(nRow); }
DomPtr clsVoucherService::GetBodyDelDom() { return impl_->documents.GetBodyDelDom(); }
bool clsVoucherService::headVaildIsNull() { return false; }

Variant clsVoucherService::headerText(const Variant& Index) { return impl_->values.headerText(Index); }
Variant clsVoucherService::headerDisplayText(const Variant& Index) { return impl_->values.headerDisplayText(Index); }
Variant clsVoucherService::bodyText(std::int32_t Row, const Variant& Col) { return impl_->values.bodyText(Row, Col); }
Variant clsVoucherService::GetInteralBodyText(std::int32_t Row, const Variant& Col) {
  return impl_->values.GetInteralBodyText(Row, Col);
}
std::string clsVoucherService::GetFormatStringByValue(std::int32_t Row, const Variant& Col, const std::string& v) {
  return impl_->values.GetFormatStringByValue(Row, Col, v);
}
std::string clsVoucherService::TotalText(const Variant& Col) { return impl_->values.TotalText(Col); }
void clsVoucherService::TotalText(const Variant& Col, const std::string& value) {
  if (impl_->ctx.RefuseInPass("TotalText")) return;
  ServiceContext::Pass pass(impl_->ctx);
  impl_->values.TotalText(Col, value);
}
std::string clsVoucherService::TolmFormatDate(const std::string& strDate, const ItemPtr& vis) {
  return impl_->values.TolmFormatDate(strDate, vis.get());
}
std::string clsVoucherService::GetOldValue() { return {}; }
std::string clsVoucherService::BodyBadStr() {
  return impl_->ctx.Guard(std::string(), [&] { return impl_->ctx.Grid().BadStr(); });
}
void clsVoucherService::BodyBadStr(const std::string& s) {
  if (!impl_->ctx.RefuseInPass("BodyBadStr")) impl_->ctx.Guard([&] { impl_->ctx.Grid().BadStr(s); });
}

bool clsVoucherService::UpdateLineData(const DomPtr& dom, std::int32_t Row) {
  if (impl_->ctx.RefuseInPass("UpdateLineData")) return false;
  return impl_->lines.UpdateLineData(dom, Row);
}
std::string clsVoucherService::QueryDataLineStatus(std::int32_t nRow) { return impl_->lines.QueryDataLineStatus(nRow); }
Variant clsVoucherService::ResetSigh() {
  if (impl_->ctx.RefuseInPass("ResetSigh")) return {};
  return impl_->lines.ResetSigh();
}
void clsVoucherService::CalcRowNO(std::int32_t nPosition, std::int32_t nCurrentRowNO, bool IsAdd) {
  if (impl_->ctx.RefuseInPass("CalcRowNO")) return;
  ServiceContext::Pass pass(impl_->ctx);  // reads through bodyText, which may report
  impl_->lines.CalcRowNO(nPosition, nCurrentRowNO, IsAdd);
}
bool clsVoucherService::StopUpdateRowNo() const { return impl_->lines.StopUpdateRowNo(); }
void clsVoucherService::SetCurrentRow(const std::string& strCondition) {
  if (impl_->ctx.RefuseInPass("SetCurrentRow")) return;
  ServiceContext::Pass pass(impl_->ctx);
  impl_->lines.SetCurrentRow(strCondition);
}
bool clsVoucherService::UpdateEditSign() const { return impl_->documents.UpdateEditSign(); }
void clsVoucherService::UpdateEditSign(bool b) {
  if (!impl_->ctx.RefuseInPass("UpdateEditSign")) impl_->documents.SetUpdateEditSign(b);
}
// The grid members follow the error convention: without a grid, error 91.
bool clsVoucherService::BodyRedraw() {
  return impl_->ctx.Guard(false, [&] { return impl_->ctx.Grid().Redraw(); });
}
void clsVoucherService::BodyRedraw(bool b) {
  if (!impl_->ctx.RefuseInPass("BodyRedraw")) impl_->ctx.Guard([&] { impl_->ctx.Grid().Redraw(b); });
}
std::int32_t clsVoucherService::BodyTopRow() {
  return impl_->ctx.Guard(std::int32_t{0}, [&] { return impl_->ctx.Grid().TopRow(); });
}
void clsVoucherService::BodyTopRow(std::int32_t n) {
  if (!impl_->ctx.RefuseInPass("BodyTopRow")) impl_->ctx.Guard([&] { impl_->ctx.Grid().TopRow(n); });
}
std::int32_t clsVoucherService::BodyProtectUnload() {
  return impl_->ctx.Guard(std::int32_t{0}, [&] { return impl_->ctx.Grid().ProtectUnload(); });
}
BodyGridPtr clsVoucherService::GetBodyObject() const { return impl_->ctx.GridObject(); }
void clsVoucherService::FillList(DomPtr& oDom) { impl_->lines.FillList(oDom); }
bool clsVoucherService::BodyReadOnly() const { return impl_->lines.BodyReadOnly(); }
void clsVoucherService::BodyReadOnly(bool b) {
  if (!impl_->ctx.RefuseInPass("BodyReadOnly")) impl_->lines.BodyReadOnly(b);
}

// ---------------------------------------------------------------- formulas, outline, sorting

void clsVoucherService::ExecCalcExpression(std::int32_t currentRow) {
  if (!impl_->ctx.RefuseInPass("ExecCalcExpression")) impl_->calculation->ExecCalcExpression(currentRow);
}

bool clsVoucherService::GetRowOutLineDomDocument(const DomPtr& parentDom, DomPtr& newDom,
                                                 const std::string& cParentKey, const std::string& cChildKey) {
  return impl_->outline->GetRowOutLineDomDocument(parentDom, newDom, cParentKey, cChildKey);
}

void clsVoucherService::NotifyVoucherSortChange(const std::string& strSortCommand) {
  // No pass: the sort switch, not the pass, marks the host's handler.
  if (!impl_->ctx.RefuseInPass("NotifyVoucherSortChange")) impl_->sorting->NotifySortChange(strSortCommand);
}

void clsVoucherService::SetSortCallBackObject(ObjectPtr oSort) {
  if (!impl_->ctx.RefuseInPass("SetSortCallBackObject")) impl_->sorting->SetSortCallBack(std::move(oSort));
}

}  // namespace cavra
