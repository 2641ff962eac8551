#include "components/code_lib.h"

#include "platform/base64.h"

namespace cavra {

std::int32_t CodeLib::Base64encode(const Variant& value, std::string& out, std::int32_t, std::int32_t) {
  switch (value.type()) {
    case VarType::Bytes:
      out = Base64Encode(value.AsBytes());
      return 0;
    case VarType::String: {
      const std::string& s = value.AsString();
      out = Base64Encode({reinterpret_cast<const std::uint8_t*>(s.data()), s.size()});
      return 0;
    }
    case VarType::Empty:
    case VarType::Null:
      out.clear();
      return 0;
    default:
      return 1;
  }
}

}  // namespace cavra
