#include "cavra/error.h"

#include "cavra/object.h"

namespace cavra {

Object::~Object() = default;

VbError::VbError(std::int32_t number, std::string description)
    : std::runtime_error(description), number_(number), description_(std::move(description)) {}

std::string VbError::StandardText(std::int32_t number) {
  switch (number) {
    case err::kInvalidCall: return "Invalid procedure call or argument";
    case err::kOverflow: return "Overflow";
    case err::kSubscript: return "Subscript out of range";
    case err::kTypeMismatch: return "Type mismatch";
    case err::kObjectNotSet: return "Object variable or With block variable not set";
    case err::kPathFileAccess: return "Path/File access error";
    case err::kInvalidUseOfNull: return "Invalid use of Null";
    case err::kCannotCreate: return "ActiveX component can't create object";
    case err::kNotSupported: return "Object doesn't support this property or method";
    case err::kNotImplemented: return "Object doesn't support this action";
    case err::kDuplicateKey: return "This key is already associated with an element of this collection";
    case err::kNoCurrentRecord:
      return "Either BOF or EOF is True, or the current record has been deleted. Requested operation "
             "requires a current record.";
    case err::kItemNotFound:
      return "Item cannot be found in the collection corresponding to the requested name or ordinal.";
    case 3704: return "Operation is not allowed when the object is closed.";
    default: return "";
  }
}

VbError VbError::Standard(std::int32_t number) { return VbError(number, StandardText(number)); }

}  // namespace cavra
