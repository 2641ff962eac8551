// clsVoucherService: the document model of one open voucher.
//
// A host creates one object per voucher, gives it a login and a data source
// (SetDataSource, or InitDataSource for the default one), loads a template
// (setTemplateData) and the voucher data (setVoucherDataXML), and then reads
// and writes field values, edits body lines, runs formulas, prints and asks
// workflow questions. Everything runs on the caller's thread; an object is
// used only on the thread that created it.
//
// Failures follow one convention: a member that fails stores its error text
// (read and cleared by GetLastError), raises controlError to every event sink
// and returns its failed value (false, null, "" or 0). Members documented as
// raising let a VbError through instead.
//
// Event handlers may read the service but not change it while the call that
// raised the event runs: a changing member called then is refused with error
// 10 and changes nothing (cavra/events.h gives the rule and the members).
//
// Example:
//   cavra::clsVoucherService svc;
//   svc.InitDataSource();
//   svc.setTemplateData(templateRecordset);
//   svc.setVoucherDataXML(head, body);
//   std::string amount = cavra::CStr(svc.bodyText(1, "iMoney"));
#pragma once

#include <cstdint>
#include <iosfwd>
#include <memory>
#include <string>

#include "cavra/bill_information.h"
#include "cavra/dom.h"
#include "cavra/enums.h"
#include "cavra/events.h"
#include "cavra/export.h"
#include "cavra/grid.h"
#include "cavra/host.h"
#include "cavra/item_state.h"
#include "cavra/outside.h"
#include "cavra/recordset.h"
#include "cavra/service_environment.h"
#include "cavra/variant.h"

namespace cavra {

class CAVRA_EXPORT clsVoucherService : public Object {
 public:
  clsVoucherService();
  ~clsVoucherService() override;
  clsVoucherService(const clsVoucherService&) = delete;
  clsVoucherService& operator=(const clsVoucherService&) = delete;

  // ---- Events and host-attached objects (not in the dispatch interface) ----
  void addEventSink(std::shared_ptr<clsVoucherServiceEvents> sink);
  void removeEventSink(const std::shared_ptr<clsVoucherServiceEvents>& sink);
  // Attaches (or, with null, detaches) the body grid used by the members
  // that work on the grid's current row.
  void attachBodyGrid(BodyGridPtr grid);
  // Sets VoucherStatus; the next setVoucherDataXML reacts to it (edit mode
  // fetches workflow field rights, add mode lifts them).
  void setVoucherStatus(VoucherStatusConstants status);
  // A service that creates its components from environment's set and keeps
  // its caches there (cavra/service_environment.h). The constructor without
  // it uses the process-wide set and caches.
  explicit clsVoucherService(const ServiceEnvironment& environment);
  // The number of live body lines (rows not marked deleted): lines 1 ..
  // BodyLineCount() exist. 0 when no voucher is loaded. Never fails.
  std::int32_t BodyLineCount() const;

  // ---- Public variables ----
  std::int32_t Version() const;
  void Version(std::int32_t v);
  std::string m_sPrintEntir() const;
  void m_sPrintEntir(const std::string& s);
  ObjectPtr CallBackObject() const;
  void CallBackObject(ObjectPtr o);
  std::string LogoPictureDataString() const;
  void LogoPictureDataString(const std::string& s);
  bool m_InvokSortObjectSwitch() const;
  void m_InvokSortObjectSwitch(bool b);
  bool m_BodyChineseData() const;
  void m_BodyChineseData(bool b);

  // ---- Lifecycle and host objects ----
  LoginPtr LoginObj();
  void LoginObj(LoginPtr login);
  Variant SetDataSource() const;
  void SetDataSource(DataSourcePtr dataSource);
  void InitDataSource();
  void UnInitialise();
  bool WebMode() const;
  void WebMode(bool b);
  std::string GetLastError();
  BillInfoPtr GetVoucherState() const;
  VoucherStatusConstants VoucherStatus() const;
  std::int32_t BodyMaxRows() const;
  void BodyMaxRows(std::int32_t n);
  Variant About();
  void test();

  // ---- Template ----
  void setTemplateData(const RecordsetPtr& rstTemplate);
  void RefreshTemplate();
  RecordsetPtr GetTemplateData() const;
  std::int32_t HeadInfoCount() const;
  std::int32_t BodyInfoCount() const;
  ItemPtr ItemState(const Variant& Index, std::int32_t section);
  std::int32_t LookUpArray(const std::string& skey, SectionsConstants eSection);
  std::int32_t LookUpArrayFromKey(const std::string& skey, SectionsConstants eSection);
  std::string Debug_KeyWord(SectionsConstants eSection);
  std::int16_t getRefType(const Variant& nRefType);
  bool GetColAutoDisplayText(const Variant& Col);
  void GetCollectFromEnumString(const std::string& sEnumString, Collection<std::string>& tempCol);
  std::string GetChineseFieldNameMap(const std::string& sChineseFieldName);

  // ---- Voucher data ----
  bool setVoucherDataXML(const DomPtr& oDOmHead, const DomPtr& oDomBody);
  // The same for documents handed over: when each given document is owned
  // by its pointer alone, they are kept as they are instead of copied, so a
  // large voucher is never held twice (not with a row outline, whose load
  // reads the documents as given). Otherwise they are copied as above.
  bool setVoucherDataXML(DomPtr&& oDOmHead, DomPtr&& oDomBody);
  void getVoucherDataXML(DomPtr& oDOmHead, DomPtr& oDomBody);
  DomPtr GetHeadDom();
  DomPtr GetLineDom(std::int32_t nRow = 0);
  DomPtr GetBodyDelDom();
  bool headVaildIsNull();

  // ---- Field values ----
  Variant headerText(const Variant& Index);
  Variant headerDisplayText(const Variant& Index);
  Variant bodyText(std::int32_t Row, const Variant& Col);
  Variant GetInteralBodyText(std::int32_t Row, const Variant& Col);
  std::string GetFormatStringByValue(std::int32_t Row, const Variant& Col, const std::string& v);
  std::string TotalText(const Variant& Col);
  void TotalText(const Variant& Col, const std::string& value);
  std::string TolmFormatDate(const std::string& strDate, const ItemPtr& vis);
  std::string GetOldValue();
  std::string BodyBadStr();
  void BodyBadStr(const std::string& s);

  // ---- Body lines ----
  // The members that work through the attached body grid - BodyRedraw,
  // BodyTopRow, BodyProtectUnload, BodyBadStr, GetSelectedRows,
  // SetCurrentRow, FillList, TotalText of a column number, and
  // UpdateLineData, GetLineDom and QueryDataLineStatus of the grid's current
  // row - follow the error convention: without a grid they report error 91
  // and return false, 0, "" or null (a setter does nothing); an error of the
  // grid itself is reported the same way. None of them raises.
  // UpdateLineData returns true when the line was updated and its formulas
  // ran; a missing or row-less document, or a line outside 1 .. line count,
  // is reported (error 101).
  bool UpdateLineData(const DomPtr& dom, std::int32_t Row = -1);
  std::string QueryDataLineStatus(std::int32_t nRow = -1);
  Variant ResetSigh();
  void CalcRowNO(std::int32_t nPosition, std::int32_t nCurrentRowNO = 0, bool IsAdd = true);
  bool StopUpdateRowNo() const;
  void SetCurrentRow(const std::string& strCondition);
  bool UpdateEditSign() const;
  void UpdateEditSign(bool b);
  bool BodyRedraw();
  void BodyRedraw(bool b);
  std::int32_t BodyTopRow();
  void BodyTopRow(std::int32_t n);
  std::int32_t BodyProtectUnload();
  BodyGridPtr GetBodyObject() const;
  void FillList(DomPtr& oDom);
  Variant CurrentFocus() const;
  bool IsAllowskipTapstopItem() const;
  void IsAllowskipTapstopItem(bool b);
  std::string VoucherType() const;
  void TemplateIsChanged(bool b);
  void SaveContinueItems(const std::string& s);
  void StopSetDefaultValue(bool b);

  // ---- Formulas, outline, sorting ----
  void ExecCalcExpression(std::int32_t currentRow = -1);
  bool GetRowOutLineDomDocument(const DomPtr& parentDom, DomPtr& newDom,
                                const std::string& cParentKey = "", const std::string& cChildKey = "");
  void NotifyVoucherSortChange(const std::string& strSortCommand);
  void SetSortCallBackObject(ObjectPtr oSort);
  bool SorterExcludeExtendedField() const;

  // ---- Printing, export, e-mail ----
  Variant PreParePrint(const RecordsetPtr& rs, const RecordsetPtr& rsFixel, std::string& sStyle,
                       std::string& sData, bool bHorzTile = false);
  Variant PreParePrintWeb(Variant& rs, Variant& rsFixel, Variant& sStyle, Variant& sData);
  Variant PrintVoucher(const Variant& rsTemplate, const Variant& rsField, bool bShowPrintViewDlg = true,
                       bool bHorzTile = false, bool DisableOutput = false);
  std::int32_t PrintVoucherEx(const Variant& rsTemplate, const Variant& rsField, bool bshowPrintDlg = true);
  bool ExportToFile(const Variant& rsTemplate, const Variant& rsField, bool blnEmail = false,
                    Variant* OutputFileName = nullptr, std::int16_t sFileType = 0);
  bool ExportToFile2(const Variant& rsTemplate, const Variant& rsField, bool blnEmail = false,
                     Variant* OutputFileName = nullptr, const Variant& sFileType = Variant());
  bool EmailFile(const Variant& sFileName);
  bool StopPrintControl() const;
  void StopPrintControl(bool b);
  std::string CardnumAndValueForPrintControl() const;
  void CardnumAndValueForPrintControl(const std::string& s);
  // The print control the printing members use (none by default).
  void PrintControlObj(PrintControlPtr control);

  // ---- Workflow and business services ----
  bool SetVoucherAuth(const std::string& sAuth);
  bool BodyReadOnly() const;
  void BodyReadOnly(bool b);
  std::string ExamineFlowAuditInfo();
  void ExamineFlowAuditInfo(const std::string& value);
  bool SetBillNumberRule(const std::string& sXML);
  bool SetCustomRelation(const Variant& vtRecordSet);
  bool IsAutoFillBackFillCustomField(const Variant& vtIndex, Variant& oResult);
  void CallAutoFillBackEvent(const std::string& sFieldName, std::int32_t Row);
  void SaveCustomerInfo(const std::string& strInfo);
  Variant GetCustomerInfo();
  Variant GetCustomerInfo(std::string& sType, std::string& sTemplateID);
  std::string GetAllIMUsers();
  std::string GetVoucherSummaryInfo();
  ObjectPtr PortalBusinessObject() const;
  void PortalBusinessObject(const Variant& value);
  std::string PortalBizGUID() const;
  void PortalBizGUID(const std::string& s);
  bool StopAssistantMessage() const;
  void StopAssistantMessage(bool b);
  bool EnableLinkQuery() const;
  std::string GetBodyPKName();
  std::string GetAggregateParameters();
  std::string GetSelectedRows();
  void BlobToFile(Field& fld, const std::string& FName, std::int32_t FieldSize = -1,
                  std::int32_t Threshold = 1048576);
  void WriteFromBinary(std::ostream& F, Field& fld, std::int32_t FieldSize);

 private:
  struct Impl;
  bool LoadVoucherData(const DomPtr& head, const DomPtr& body, bool adopt);
  std::unique_ptr<Impl> impl_;
};

}  // namespace cavra
