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
// and returns its failed value (false, null, "" or 0). Only the members marked
// "Raises" let a VbError through to the host instead. "Inert" marks members
// kept for hosts that call them: they store a value nothing reads, or return
// a fixed one.
// Unless a line says otherwise, a getter never fails.
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
#include "cavra/bill_number_rule.h"
#include "cavra/custom_manager.h"
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
  // Sinks hear every event in the order they were added; a sink is held until removed.
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
  // Inert: 1 after creation; nothing reads it.
  std::int32_t Version() const;
  void Version(std::int32_t v);
  // The print environment text; every template load clears it.
  std::string m_sPrintEntir() const;
  void m_sPrintEntir(const std::string& s);
  // Inert: held for the host, released by UnInitialise.
  ObjectPtr CallBackObject() const;
  void CallBackObject(ObjectPtr o);
  // Inert: logo picture text held for the host.
  std::string LogoPictureDataString() const;
  void LogoPictureDataString(const std::string& s);
  // True while NotifyVoucherSortChange raises SortRuleChanged; a data load
  // made while it is true does not re-apply the saved sort.
  bool m_InvokSortObjectSwitch() const;
  void m_InvokSortObjectSwitch(bool b);
  // The data documents use display names as attribute names (see GetChineseFieldNameMap).
  bool m_BodyChineseData() const;
  void m_BodyChineseData(bool b);

  // ---- Lifecycle and host objects ----
  // The login; a null login is reported (error 0) but still returned.
  LoginPtr LoginObj();
  // Stores the login; null is reported ("对象为空，赋值无效！") and stored.
  void LoginObj(LoginPtr login);
  // The data source in a Variant (a null object when none).
  Variant SetDataSource() const;
  // Stores the data source and takes the login from it; errors are ignored.
  void SetDataSource(DataSourcePtr dataSource);
  // Creates the default data source when none is set and hands it the login.
  // Raises error 91 when no data source can be created.
  void InitDataSource();
  // Releases the data source, documents, template items and host objects; may run twice.
  void UnInitialise();
  // The thread's web-mode switch: setting it changes every service on the thread.
  bool WebMode() const;
  void WebMode(bool b);
  // The last error text, then "" until the next failure.
  std::string GetLastError();
  // The template-level descriptor itself (not a copy).
  BillInfoPtr GetVoucherState() const;
  // The status given by setVoucherStatus (VSNormalMode after creation).
  VoucherStatusConstants VoucherStatus() const;
  // The template's body row limit, 0 before a template; a setter value
  // below -1 is ignored.
  std::int32_t BodyMaxRows() const;
  void BodyMaxRows(std::int32_t n);
  // Inert: an empty Variant.
  Variant About();
  // Inert: does nothing.
  void test();

  // ---- Template ----
  // Loads the template's items and rights; null is logged and changes
  // nothing; a refused template is reported and the one before it stays.
  void setTemplateData(const RecordsetPtr& rstTemplate);
  // Reloads the last template; error 91 when none was given.
  void RefreshTemplate();
  // The recordset last given to setTemplateData.
  RecordsetPtr GetTemplateData() const;
  // Items of each section that lookups reach (repeated rows not counted).
  std::int32_t HeadInfoCount() const;
  std::int32_t BodyInfoCount() const;
  // An item by ordinal (null when out of range) or by field name (error 5 when unknown).
  ItemPtr ItemState(const Variant& Index, std::int32_t section);
  // The item's ordinal in the section; error 5 when the name is unknown.
  std::int32_t LookUpArray(const std::string& skey, SectionsConstants eSection);
  std::int32_t LookUpArrayFromKey(const std::string& skey, SectionsConstants eSection);
  // The section's field names, one per line, for diagnostics.
  std::string Debug_KeyWord(SectionsConstants eSection);
  // A template reference kind translated to the host's; 0 for any other value. Never fails.
  std::int16_t getRefType(const Variant& nRefType);
  // The body column's ReferAutoDisplayText; error 9 for a column out of range.
  bool GetColAutoDisplayText(const Variant& Col);
  // Fills tempCol from an enumeration text ("shown{#}...{##}stored{#}..."); never fails.
  void GetCollectFromEnumString(const std::string& sEnumString, Collection<std::string>& tempCol);
  // The attribute name behind a display name (with m_BodyChineseData), else the name itself.
  std::string GetChineseFieldNameMap(const std::string& sChineseFieldName);

  // ---- Voucher data ----
  // Copies head and body in (either may be null), re-applies the saved sort
  // and the workflow rights; false only when refused during a pass.
  bool setVoucherDataXML(const DomPtr& oDOmHead, const DomPtr& oDomBody);
  // The same for documents handed over: when each given document is owned
  // by its pointer alone, they are kept as they are instead of copied, so a
  // large voucher is never held twice (not with a row outline, whose load
  // reads the documents as given). Otherwise they are copied as above.
  bool setVoucherDataXML(DomPtr&& oDOmHead, DomPtr&& oDomBody);
  // Copies of head and body, the body followed by the deleted rows.
  void getVoucherDataXML(DomPtr& oDOmHead, DomPtr& oDomBody);
  // A copy of the head document.
  DomPtr GetHeadDom();
  // One line under the body schema (0: the grid's current row); null, with
  // the last error set and no event, when out of range.
  DomPtr GetLineDom(std::int32_t nRow = 0);
  // The deleted body rows: the service's own document, not a copy.
  DomPtr GetBodyDelDom();
  // Inert: always false.
  bool headVaildIsNull();

  // ---- Field values ----
  // A head value by name or ordinal as the host shows it; reported, and
  // empty, when the item or the head row is missing.
  Variant headerText(const Variant& Index);
  // The same for display, by reference kind: numbers grouped, text cut at
  // "{##}", line breaks made CR LF.
  Variant headerDisplayText(const Variant& Index);
  // A body value as shown, by field name or ordinal; an unknown name is
  // reported, a missing line gives empty.
  Variant bodyText(std::int32_t Row, const Variant& Col);
  // A body value by grid column number (error 13 for a name), empty outside the lines.
  Variant GetInteralBodyText(std::int32_t Row, const Variant& Col);
  // v formatted by the picture of grid column Col (error 13 for a name).
  std::string GetFormatStringByValue(std::int32_t Row, const Variant& Col, const std::string& v);
  // A body column's total cell (a column number needs the grid); reported when unknown.
  std::string TotalText(const Variant& Col);
  void TotalText(const Variant& Col, const std::string& value);
  // strDate in the item's date picture (unchanged without one); never fails.
  std::string TolmFormatDate(const std::string& strDate, const ItemPtr& vis);
  // Inert: always "".
  std::string GetOldValue();
  // The grid's bad-value text (see the grid rule below).
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
  // The line's edit mark ("A", "M", ...; below 1: the grid's row); "", with
  // the last error set and no event, when out of range.
  std::string QueryDataLineStatus(std::int32_t nRow = -1);
  // Clears the edit marks of the head row and every line; returns an empty Variant.
  Variant ResetSigh();
  // Renumbers the template's row-number field after a line is added at
  // nPosition (or removed, IsAdd false); nothing without that field.
  void CalcRowNO(std::int32_t nPosition, std::int32_t nCurrentRowNO = 0, bool IsAdd = true);
  // Inert: always false.
  bool StopUpdateRowNo() const;
  // Moves the grid to the first line matching the XPath predicate strCondition.
  void SetCurrentRow(const std::string& strCondition);
  // When true, a data load clears the head row's edit mark.
  bool UpdateEditSign() const;
  void UpdateEditSign(bool b);
  bool BodyRedraw();
  void BodyRedraw(bool b);
  std::int32_t BodyTopRow();
  void BodyTopRow(std::int32_t n);
  std::int32_t BodyProtectUnload();
  // The attached grid (null when none).
  BodyGridPtr GetBodyObject() const;
  // oDom becomes a "locate" list of the distinct texts in the grid's current column.
  void FillList(DomPtr& oDom);
  // Inert: a Variant holding false.
  Variant CurrentFocus() const;
  // Inert: stored, true after creation; nothing reads it.
  bool IsAllowskipTapstopItem() const;
  void IsAllowskipTapstopItem(bool b);
  // Inert: always "".
  std::string VoucherType() const;
  // Inert: stored; nothing reads them.
  void TemplateIsChanged(bool b);
  void SaveContinueItems(const std::string& s);
  void StopSetDefaultValue(bool b);

  // ---- Formulas, outline, sorting ----
  // Runs the formulas of one line (-1: all lines) and the header formulas;
  // raises ExpressionCalculated per result; a failing formula gives "".
  void ExecCalcExpression(std::int32_t currentRow = -1);
  // newDom: parentDom in outline order; false (newDom a plain copy) when
  // the outline is off, false when parentDom is null.
  bool GetRowOutLineDomDocument(const DomPtr& parentDom, DomPtr& newDom,
                                const std::string& cParentKey = "", const std::string& cChildKey = "");
  // Raises SortRuleChanged outside any pass (see cavra/events.h).
  void NotifyVoucherSortChange(const std::string& strSortCommand);
  // Inert: held until UnInitialise.
  void SetSortCallBackObject(ObjectPtr oSort);
  // Inert: always false.
  bool SorterExcludeExtendedField() const;

  // ---- Printing, export, e-mail ----
  // PreParePrint and PreParePrintWeb write the print style and data
  // documents (print/print_preparation.h); only a failing template copy is
  // an error. PrintVoucher, PrintVoucherEx, ExportToFile, ExportToFile2 and
  // EmailFile prepare them, raise PreParePrintEvnet (PreParePrintEvnetWeb in
  // web mode) and hand them to the print control (print/print_flow.h).
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
  // Print-count switches held for the printing members; stored as given.
  bool StopPrintControl() const;
  void StopPrintControl(bool b);
  std::string CardnumAndValueForPrintControl() const;
  void CardnumAndValueForPrintControl(const std::string& s);
  // The print control the printing members use (none by default).
  void PrintControlObj(PrintControlPtr control);

  // ---- Workflow and business services ----
  // Stores the field-right text used when the data source has none; always false.
  bool SetVoucherAuth(const std::string& sAuth);
  // Whether the body is read-only; the attached grid follows the setter.
  bool BodyReadOnly() const;
  void BodyReadOnly(bool b);
  // The audit history: let with "get" fetches the loaded voucher's, with
  // "x,<voucher type>,<primary key>" another one's, with "" none; get gives
  // it as a fixed-width text block. Never raises.
  std::string ExamineFlowAuditInfo();
  void ExamineFlowAuditInfo(const std::string& value);
  // Records the voucher-number rule sXML unless its document element's
  // "允许手工修改" is TRUE (trimmed, any case; the last record then stays):
  // the header fields of its parts and the rule texts of date parts (object
  // type 2; type 7 records "年月"). Always false; bad XML is logged, never
  // reported. See cavra/bill_number_rule.h.
  bool SetBillNumberRule(const std::string& sXML);
  // Ours, not in the dispatch interface: a copy of what SetBillNumberRule
  // recorded, so that hosts and tests can see it.
  BillNumberRuleRecord GetBillNumberRule() const;
  // Replaces the custom archive relations by those of vtRecordSet (a
  // Recordset, see cavra/custom_manager.h) over the loaded template's items;
  // false, with an empty relation set left in place, when there are no rows
  // or no items. Failures are logged, never reported.
  bool SetCustomRelation(const Variant& vtRecordSet);
  // True, with the clsCustomRecord whose m_colCustom lists the fields to
  // fill put into oResult, when a change of field vtIndex fills custom fields back.
  bool IsAutoFillBackFillCustomField(const Variant& vtIndex, Variant& oResult);
  // Raises AutoFillBackEvent(field name, Empty, its clsItemState, the
  // record, with vtAppend = Row) when body field sFieldName fills custom
  // fields back. An unknown body field fires controlError once (the lookup's).
  void CallAutoFillBackEvent(const std::string& sFieldName, std::int32_t Row);
  // Saves strInfo as the template's aggregation record; data-source errors are logged, not reported.
  void SaveCustomerInfo(const std::string& strInfo);
  // Reads a record (empty sType: the aggregation record, filling sType and
  // sTemplateID); empty when missing; errors logged, not reported.
  Variant GetCustomerInfo();
  Variant GetCustomerInfo(std::string& sType, std::string& sTemplateID);
  // The system users behind the template's IM fields, through the account's
  // joint-query metadata: "<ToUsers><UserID Description='..'>id</UserID>..</ToUsers>".
  // Never raises; failures are logged and leave a field without a user.
  std::string GetAllIMUsers();
  // The first five shown header fields with their display values:
  // "<Summary><Field Name='..' DisplayName='..' Value='..' />..</Summary>".
  std::string GetVoucherSummaryInfo();
  // Inert: held for the portal host (a non-object Variant stores null).
  ObjectPtr PortalBusinessObject() const;
  void PortalBusinessObject(const Variant& value);
  // Inert: held for the portal host.
  std::string PortalBizGUID() const;
  void PortalBizGUID(const std::string& s);
  // Inert: stored; nothing reads it.
  bool StopAssistantMessage() const;
  void StopAssistantMessage(bool b);
  // Inert: always true.
  bool EnableLinkQuery() const;
  // The body key field of the template's voucher type, "" when unknown; never reports.
  std::string GetBodyPKName();
  // Inert: always "".
  std::string GetAggregateParameters();
  // The grid's selected row numbers, last first, comma-separated.
  std::string GetSelectedRows();
  // Writes a binary field to file FName: in one piece unless FieldSize is
  // greater than Threshold, else FieldSize bytes in chunks of 16384. Failures
  // (a file that cannot be written, a Null value) go through the error
  // convention.
  void BlobToFile(Field& fld, const std::string& FName, std::int32_t FieldSize = -1,
                  std::int32_t Threshold = 1048576);
  // Appends FieldSize bytes of fld to F, read with GetChunk in pieces of at
  // most 16384 bytes.
  void WriteFromBinary(std::ostream& F, Field& fld, std::int32_t FieldSize);

 private:
  struct Impl;
  bool LoadVoucherData(const DomPtr& head, const DomPtr& body, bool adopt);
  std::unique_ptr<Impl> impl_;
};

}  // namespace cavra
