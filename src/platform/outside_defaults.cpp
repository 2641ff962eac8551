// Default members of the outside-object interfaces: an object that does not
// implement a member fails with error 438, as a late-bound call would.
#include "cavra/error.h"
#include "cavra/events.h"
#include "cavra/grid.h"
#include "cavra/host.h"
#include "cavra/outside.h"

namespace cavra {
namespace {
[[noreturn]] void Unsupported() { throw VbError::Standard(err::kNotSupported); }
}  // namespace

clsVoucherServiceEvents::~clsVoucherServiceEvents() = default;

std::string ILogin::cSub_Id() { Unsupported(); }
std::string ILogin::cUserName() { Unsupported(); }
std::string ILogin::cAcc_Id() { Unsupported(); }
std::string ILogin::getistallpath() { Unsupported(); }

RecordsetPtr IDataSource::GetRsBySql(const std::string&, std::string&) { Unsupported(); }
std::string IDataSource::GetAuthString(const std::string&) { Unsupported(); }
std::string IDataSource::GetWorkflowAuthString(std::string&, std::string&, const std::string&) { Unsupported(); }
std::string IDataSource::GetAuditString(const std::string&, const std::string&, std::string&) { Unsupported(); }
void IDataSource::SaveCustomerInfo(std::string&, std::string&) { Unsupported(); }
Variant IDataSource::GetCustomerInfo(std::string&, std::string&) { Unsupported(); }
std::string IDataSource::GetCustomerizeTotalTitle() { Unsupported(); }
std::string IDataSource::GetCustomerizeTotalTitle(const std::string&) { Unsupported(); }
std::string IDataSource::GetUserName() { Unsupported(); }
std::string IDataSource::WebRootURL() { Unsupported(); }
LoginPtr IDataSource::GetLogin() { Unsupported(); }
void IDataSource::setLogin(LoginPtr) { Unsupported(); }

std::int32_t IBodyGrid::Row() { Unsupported(); }
void IBodyGrid::Row(std::int32_t) { Unsupported(); }
bool IBodyGrid::Redraw() { Unsupported(); }
void IBodyGrid::Redraw(bool) { Unsupported(); }
bool IBodyGrid::ReadOnly() { Unsupported(); }
void IBodyGrid::ReadOnly(bool) { Unsupported(); }
std::int32_t IBodyGrid::TopRow() { Unsupported(); }
void IBodyGrid::TopRow(std::int32_t) { Unsupported(); }
std::int32_t IBodyGrid::BottomRow() { Unsupported(); }
std::int32_t IBodyGrid::Rows() { Unsupported(); }
std::int32_t IBodyGrid::FixedRows() { Unsupported(); }
std::int32_t IBodyGrid::Cols() { Unsupported(); }
std::string IBodyGrid::BadStr() { Unsupported(); }
void IBodyGrid::BadStr(const std::string&) { Unsupported(); }
std::int32_t IBodyGrid::ProtectUnload() { Unsupported(); }
std::string IBodyGrid::TextMatrix(std::int32_t, std::int32_t) { Unsupported(); }
std::string IBodyGrid::TextMatrixTotal(std::int32_t) { Unsupported(); }
void IBodyGrid::TextMatrixTotal(std::int32_t, const std::string&) { Unsupported(); }
void IBodyGrid::ShowCell(std::int32_t, std::int32_t) { Unsupported(); }
void IBodyGrid::SelectRange(std::int32_t, std::int32_t, std::int32_t, std::int32_t) { Unsupported(); }
void IBodyGrid::GetSelection(std::int32_t&, std::int32_t&, std::int32_t&, std::int32_t&) { Unsupported(); }
void IBodyGrid::LoginObj(LoginPtr) { Unsupported(); }

void ICalculator::Calculatet(const std::string&, double&) { Unsupported(); }
bool ISorter::sortDOMVoucherBody(const std::string&, const std::string&, DomPtr&) { Unsupported(); }
std::int32_t ICodeLib::Base64encode(const Variant&, std::string&, std::int32_t, std::int32_t) {
  Unsupported();
}
std::string IResourceService::GetString(const std::string&) { Unsupported(); }
std::string ILocalService::GetLocalID() { Unsupported(); }

std::int32_t IPrintControl::SetDataStyleXML(const std::string&, bool, const std::string&, bool,
                                            const std::string&) {
  Unsupported();
}
Variant IPrintControl::PrintPreview() { Unsupported(); }
Variant IPrintControl::PrintEx(bool) { Unsupported(); }
void IPrintControl::EnableExport(bool) { Unsupported(); }
void IPrintControl::SetOB(const ObjectPtr&) { Unsupported(); }
std::int16_t IPrintControl::sFileType() { Unsupported(); }
void IPrintControl::sFileType(std::int16_t) { Unsupported(); }
Variant IPrintControl::ExportToFileEx(std::int32_t, std::string&, std::string&, const std::string&,
                                      const std::string&) {
  Unsupported();
}
Variant IPrintControl::ExportToAttached(std::int32_t, std::int32_t, std::string&, std::string&, std::string&,
                                        const std::string&, Variant&) {
  Unsupported();
}
void IPrintPolicy::DataSource(DataSourcePtr) { Unsupported(); }
void IPrintPolicy::langID(const std::string&) { Unsupported(); }
void IPrintPolicy::policyid(const std::string&) { Unsupported(); }
void IPrintPolicy::AddSVID(const std::string&) { Unsupported(); }
void IPrintPolicy::Printed() { Unsupported(); }
void IVoucherMailer::DataSource(DataSourcePtr) {}
void IVoucherMailer::Show(LoginPtr&, const std::string&, const std::string&, const std::string&,
                          const std::string&) {
  Unsupported();
}
std::shared_ptr<IResourceService> IResourceServiceFactory::GetResourceService() { Unsupported(); }
std::shared_ptr<ILocalService> IResourceServiceFactory::GetLocalService() { Unsupported(); }
std::string IResourceFormatter::GetString(const std::string&, VariantArray&) { Unsupported(); }

}  // namespace cavra
