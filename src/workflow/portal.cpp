#include "workflow/portal.h"

#include "core/trace_log.h"

namespace cavra {

void Portal::SetBusinessObject(const Variant& value) {
  business_object_ = value.IsObject() ? value.AsObject() : nullptr;
  Trace("PortalBusinessObject:", business_object_ ? "False" : "True");
}

void Portal::SetBizGUID(const std::string& guid) {
  biz_guid_ = guid;
  Trace("GUID:", guid);
}

}  // namespace cavra
