// Outside components the service creates by identifier (components.h):
// the calculator, the sorter and the language resource services. Defaults
// fail with error 438.
#pragma once

#include <memory>
#include <string>

#include "cavra/dom.h"
#include "cavra/export.h"
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

}  // namespace cavra
