#include "platform/xml.h"

#include <memory>
#include <sstream>
#include <unordered_map>
#include <vector>

#include "cavra/error.h"
#include "platform/vbstring.h"

namespace cavra::xml {
namespace {

constexpr unsigned kParseOptions = pugi::parse_default | pugi::parse_declaration;
constexpr std::size_t kQueryCacheLimit = 1024;

struct StringWriter : pugi::xml_writer {
  std::string out;
  void write(const void* data, std::size_t size) override {
    out.append(static_cast<const char*>(data), size);
  }
};

const pugi::xpath_query& Compiled(std::string_view xpath) {
  thread_local std::unordered_map<std::string, std::unique_ptr<pugi::xpath_query>> cache;
  auto it = cache.find(std::string(xpath));
  if (it != cache.end()) return *it->second;
  if (cache.size() >= kQueryCacheLimit) cache.clear();
  std::unique_ptr<pugi::xpath_query> query;
  try {
    query = std::make_unique<pugi::xpath_query>(TranslateXPath(xpath).c_str());
  } catch (const pugi::xpath_exception& e) {
    throw VbError(err::kInvalidCall, std::string("XPath ") + std::string(xpath) + ": " + e.what());
  }
  return *cache.emplace(std::string(xpath), std::move(query)).first->second;
}

}  // namespace

LoadResult Load(pugi::xml_document& doc, std::string_view text) {
  const pugi::xml_parse_result r = doc.load_buffer(text.data(), text.size(), kParseOptions, pugi::encoding_utf8);
  LoadResult out;
  out.ok = static_cast<bool>(r);
  if (!out.ok) {
    doc.reset();
    out.reason = std::string(r.description()) + " (offset " + std::to_string(r.offset) + ")";
    if (text.empty()) out.reason = "empty document";
  }
  return out;
}

DomPtr LoadNew(std::string_view text, std::string* reason) {
  auto doc = NewDom();
  LoadResult r = Load(*doc, text);
  if (!r) {
    if (reason) *reason = r.reason;
    return nullptr;
  }
  return doc;
}

DomPtr Clone(const pugi::xml_document& source) {
  auto doc = NewDom();
  doc->reset(source);
  return doc;
}

DomPtr Clone(const DomPtr& source) { return source ? Clone(*source) : NewDom(); }

std::string Text(const pugi::xml_node& node) {
  if (!node) return {};
  StringWriter w;
  const unsigned flags = pugi::format_raw | pugi::format_no_declaration;
  if (node.type() == pugi::node_document) {
    for (pugi::xml_node child : node.children()) child.print(w, "", flags, pugi::encoding_utf8);
  } else {
    node.print(w, "", flags, pugi::encoding_utf8);
  }
  return std::move(w.out);
}

std::string Literal(std::string_view value) {
  // Pieces in single quotes; a single quote is a piece of its own in double
  // quotes, and "||" and "&&" are cut in two, so that TranslateXPath finds no
  // operator inside the literal.
  if (value.find('\0') != std::string_view::npos)
    throw VbError(err::kInvalidCall, "an XPath literal cannot hold a NUL character");
  std::vector<std::string> pieces;
  std::string piece;
  auto flush = [&] {
    if (!piece.empty()) pieces.push_back("'" + piece + "'");
    piece.clear();
  };
  for (const char c : value) {
    if (c == '\'') {
      flush();
      pieces.emplace_back("\"'\"");
      continue;
    }
    if ((c == '|' || c == '&') && !piece.empty() && piece.back() == c) flush();
    piece.push_back(c);
  }
  flush();
  if (pieces.empty()) return "''";
  if (pieces.size() == 1) return pieces[0];
  std::string out = "concat(";
  for (std::size_t i = 0; i < pieces.size(); ++i) out.append(i ? ", " : "").append(pieces[i]);
  return out + ")";
}

std::string TranslateXPath(std::string_view xpath) {
  return vb::Replace(vb::Replace(xpath, "||", " or "), "&&", " and ");
}

pugi::xpath_node_set SelectNodes(const pugi::xml_node& context, std::string_view xpath) {
  if (!context) return {};
  return Compiled(xpath).evaluate_node_set(context);
}

pugi::xml_node SelectSingleNode(const pugi::xml_node& context, std::string_view xpath) {
  if (!context) return {};
  return Compiled(xpath).evaluate_node(context).node();
}

pugi::xml_node DocumentElement(const pugi::xml_document& doc) { return doc.document_element(); }

}  // namespace cavra::xml
