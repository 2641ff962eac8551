// Base64 (RFC 4648, standard alphabet, with padding, no line breaks): the
// form pictures take inside print data documents.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "cavra/variant.h"

namespace cavra {

std::string Base64Encode(std::span<const std::uint8_t> bytes);
// The bytes of text; nullopt when text is not Base64 (a character outside
// the alphabet, a length that is not a multiple of four, misplaced padding).
// ASCII blanks, tabs and line breaks are skipped, as mail bodies wrap lines.
std::optional<Bytes> Base64Decode(std::string_view text);

}  // namespace cavra
