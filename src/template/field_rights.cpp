#include "template/field_rights.h"

#include "cavra/variant.h"
#include "platform/vbstring.h"

namespace cavra {

bool FindFieldRightFlag(std::string_view fieldName, std::string_view rightList, bool isBody) {
  if (vb::Trim(rightList).empty()) return false;
  const std::string h = vb::UCase(std::string(",").append(rightList).append(","));
  const std::string f = vb::UCase(fieldName);
  const std::string own = isBody ? "B;" : "T;";
  const std::string other = isBody ? "T;" : "B;";
  if (vb::Contains(h, "," + own + f + ",")) return true;
  if (vb::Contains(h, "," + f + ",")) return !vb::Contains(h, "," + other + f + ",");
  return false;
}

std::string FieldRights::GetFieldRightFlag(std::string_view fieldName, bool isBody,
                                           std::string_view override) const {
  const std::string_view s = override.empty() ? std::string_view(auth_string_) : override;
  if (s.empty() || s == "1=2" || s == "{##}") return "";
  const std::vector<std::string> pieces = vb::Split(vb::UCase(s), "{##}");
  if (pieces.size() > 1 && FindFieldRightFlag(fieldName, pieces[1], isBody)) return "N";
  if (!pieces.empty() && FindFieldRightFlag(fieldName, pieces[0], isBody)) return "R";
  return "";
}

void FieldRights::TakeFetchedAuthString(std::string fetched) {
  if (fetched == "1=2") fetched.clear();
  if (vb::Contains(fetched, "[####]")) {
    const std::vector<std::string> parts = vb::Split(fetched, "[####]");
    if (parts.size() == 2) {
      // "True"/"False" or a number; anything else leaves the switch as it was.
      try {
        workflow_auth_ = CBool(Variant(parts[1]));
      } catch (...) {
      }
      fetched = parts[0];
    }
  }
  auth_string_ = std::move(fetched);
}

}  // namespace cavra
