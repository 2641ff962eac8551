// VbError: the one exception type of the library. It carries a VB-style error
// number and description; public members that report failures through the
// error convention (last error + controlError) catch it at their boundary.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

#include "cavra/export.h"

namespace cavra {

// Error numbers the library raises.
namespace err {
inline constexpr std::int32_t kInvalidCall = 5;          // invalid procedure call or argument
inline constexpr std::int32_t kOverflow = 6;
inline constexpr std::int32_t kSubscript = 9;            // subscript out of range
inline constexpr std::int32_t kPassInProgress = 10;      // locked: a change made from an event handler
inline constexpr std::int32_t kTypeMismatch = 13;
inline constexpr std::int32_t kObjectNotSet = 91;        // object variable not set
inline constexpr std::int32_t kPathFileAccess = 75;     // a file cannot be created or written
inline constexpr std::int32_t kInvalidUseOfNull = 94;
inline constexpr std::int32_t kResourceText = 101;       // localized validation failure
inline constexpr std::int32_t kCannotCreate = 429;       // component cannot be created
inline constexpr std::int32_t kNotSupported = 438;       // object does not support the member
inline constexpr std::int32_t kNotImplemented = 445;     // member not implemented in this release
inline constexpr std::int32_t kDuplicateKey = 457;
inline constexpr std::int32_t kCreateControl = 1002;     // calculator could not be created
inline constexpr std::int32_t kHeaderLookup = 2006;
inline constexpr std::int32_t kNoCurrentRecord = 3021;
inline constexpr std::int32_t kItemNotFound = 3265;      // recordset field name or ordinal unknown
inline constexpr std::int32_t kConnection = 3709;        // a database cannot be opened, created or reached
inline constexpr std::int32_t kLineMissing = 10000;
inline constexpr std::int32_t kBadSavedSort = 10001;     // a saved sort command that cannot be applied
}  // namespace err

class CAVRA_EXPORT VbError : public std::runtime_error {
 public:
  VbError(std::int32_t number, std::string description);

  std::int32_t number() const noexcept { return number_; }
  const std::string& description() const noexcept { return description_; }

  // The standard description of a VB error number ("" when it has none).
  static std::string StandardText(std::int32_t number);
  // An error with the standard description of its number.
  static VbError Standard(std::int32_t number);

 private:
  std::int32_t number_;
  std::string description_;
};

}  // namespace cavra
