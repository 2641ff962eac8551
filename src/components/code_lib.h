// The library's default encoder ("CodeRuleKit.CodeLib"): Base64 without line
// breaks. A byte array is encoded as it is, a text as its UTF-8 bytes, Empty
// and Null as nothing (an empty text); any other value (a number, an object,
// an array of values) cannot be encoded and gives 1. The two numbers are
// accepted and not read: this encoder has one form only.
#pragma once

#include "cavra/outside.h"

namespace cavra {

class CodeLib final : public ICodeLib {
 public:
  std::int32_t Base64encode(const Variant& value, std::string& out, std::int32_t n1,
                            std::int32_t n2) override;
};

}  // namespace cavra
