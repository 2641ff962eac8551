// Outside components the service creates by identifier (components.h):
// the calculator, the sorter, the language resource services, the encoder,
// the print-policy client and the mailer; and the print control a host
// hands to PrintControlObj. Members an
// implementation does not override fail with error 438.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "cavra/dom.h"
#include "cavra/export.h"
#include "cavra/host.h"
#include "cavra/object.h"
#include "cavra/variant.h"

namespace cavra {

// "FormulaKit.Calculator": evaluates an arithmetic expression of numbers,
// + - * / and parentheses. Throws VbError on a malformed expression.
class CAVRA_EXPORT ICalculator : public Object {
 public:
  virtual void Calculatet(const std::string& expression, double& result);
};

// "TolmVoucherSorter.clsVoucherSorter": reorders the z:row elements of a
// body document by a sort command (keys separated by ";", field and
// direction separated by ",").
class CAVRA_EXPORT ISorter : public Object {
 public:
  virtual bool sortDOMVoucherBody(const std::string& text, const std::string& sortCommand,
                                  DomPtr& body);
};

// "LangKit.ResourceServiceFactory" and the services it hands out, and
// "LangKit.CService_ResourceFormatter".
class CAVRA_EXPORT IResourceService : public Object {
 public:
  virtual std::string GetString(const std::string& key);
};

class CAVRA_EXPORT ILocalService : public Object {
 public:
  virtual std::string GetLocalID();
};

class CAVRA_EXPORT IResourceServiceFactory : public Object {
 public:
  virtual std::shared_ptr<IResourceService> GetResourceService();
  virtual std::shared_ptr<ILocalService> GetLocalService();
};

class CAVRA_EXPORT IResourceFormatter : public Object {
 public:
  // The text of key with its placeholders filled from params.
  virtual std::string GetString(const std::string& key, VariantArray& params);
};

// "CodeRuleKit.CodeLib": encodes binary values (pictures) for the print
// data document.
class CAVRA_EXPORT ICodeLib : public Object {
 public:
  // Base64 text of value into out; 0 on success, any other number when value
  // cannot be encoded. Callers pass 0 and 1 for the two numbers.
  virtual std::int32_t Base64encode(const Variant& value, std::string& out, std::int32_t n1, std::int32_t n2);
};

// The print control: renders the print style and data documents (UTF-8
// texts) on screen, on paper or into a file. Codes other than 0 returned by
// SetDataStyleXML are failures the service reports to the host.
class CAVRA_EXPORT IPrintControl : public Object {
 public:
  // Takes both documents, as texts or, when a flag is set, as file paths.
  virtual std::int32_t SetDataStyleXML(const std::string& sData, bool bDataIsFile, const std::string& sStyle,
                                       bool bStyleIsFile, const std::string& sPrinter);
  virtual Variant PrintPreview();
  virtual Variant PrintEx(bool bShowPrintDlg);
  // Whether the preview offers export.
  virtual void EnableExport(bool bEnable);
  // Attaches the print-policy client that counts printed vouchers.
  virtual void SetOB(const ObjectPtr& client);
  // The export file type code.
  virtual std::int16_t sFileType();
  virtual void sFileType(std::int16_t type);
  // Exports to a file the control chooses; nMode 0 for one voucher, -3 for several.
  virtual Variant ExportToFileEx(std::int32_t nMode, std::string& sFieldType, std::string& sFieldSize,
                                 const std::string& sFieldName, const std::string& sReserved);
  // Exports to OutputFileName, or to a file it names there when empty.
  virtual Variant ExportToAttached(std::int32_t n1, std::int32_t n2, std::string& sFieldType,
                                   std::string& sFieldSize, std::string& sFieldName,
                                   const std::string& sReserved, Variant& OutputFileName);
};

using PrintControlPtr = std::shared_ptr<IPrintControl>;

// "PrintGuard.ISvr": counts printed vouchers. The service sets it up and
// hands it to the print control (SetOB); the control calls Printed() once
// the documents went to paper.
class CAVRA_EXPORT IPrintPolicy : public Object {
 public:
  virtual void DataSource(DataSourcePtr source);
  virtual void langID(const std::string& id);
  virtual void policyid(const std::string& id);
  // One voucher of the print: the text of a 单据号 element.
  virtual void AddSVID(const std::string& text);
  // The vouchers added were printed once more.
  virtual void Printed();
};

// "VoucherMailer.ClassFullEMail": sends an exported voucher. destInfo is
// "<DestInfo>" + one "<Person Id='...' Type='...' />" per recipient + "</DestInfo>".
class CAVRA_EXPORT IVoucherMailer : public Object {
 public:
  // The service's data source, handed over before Show so that a mailer can
  // look up addresses; a mailer that needs none ignores it (no error).
  virtual void DataSource(DataSourcePtr source);
  virtual void Show(LoginPtr& login, const std::string& destInfo, const std::string& fileName,
                    const std::string& title, const std::string& receiptNo);
};

}  // namespace cavra
