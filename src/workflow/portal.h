// Portal: what a web portal or a host hands the service to call back into -
// the portal's business object, the business GUID it works under and the
// host's general call-back object. The service holds them until released.
#pragma once

#include <string>

#include "cavra/object.h"
#include "cavra/variant.h"

namespace cavra {

class Portal {
 public:
  const ObjectPtr& BusinessObject() const noexcept { return business_object_; }
  // Anything but an object clears it; the change is logged.
  void SetBusinessObject(const Variant& value);
  const std::string& BizGUID() const noexcept { return biz_guid_; }
  void SetBizGUID(const std::string& guid);
  const ObjectPtr& CallBackObject() const noexcept { return call_back_object_; }
  void SetCallBackObject(ObjectPtr o) noexcept { call_back_object_ = std::move(o); }

  void ReleaseBusinessObject() noexcept { business_object_.reset(); }
  void ReleaseCallBackObject() noexcept { call_back_object_.reset(); }

 private:
  ObjectPtr business_object_;
  std::string biz_guid_;
  ObjectPtr call_back_object_;
};

}  // namespace cavra
