// The language catalogues embedded in the library: the text of every
// src/core/catalog/<language>.txt, compiled in by cmake/CavraCatalog.cmake so
// that an installed library needs no data files.
//
// A catalogue has one text per line, "key=text": the text runs from the
// character after the first "=" to the end of the line, blanks included.
// Lines starting with "#" and blank lines are skipped. Parameters of a
// formatted text (GetResStringEx) are written "{0}", "{1}", ...: "{n}" is
// replaced by the text of the n-th parameter (0-based); a placeholder
// without a parameter stays as written. There is no escape for a brace.
#pragma once

#include <cstddef>
#include <string_view>

namespace cavra::catalog {

struct Source {
  std::string_view language;  // the file's name without ".txt", e.g. "zh-CN"
  std::string_view text;      // the file's content
};

extern const Source kSources[];
extern const std::size_t kSourceCount;

}  // namespace cavra::catalog
