#include "core/global_helpers.h"

#include <cstdio>
#include <vector>

#include "core/thread_state.h"
#include "core/trace_log.h"
#include "platform/error_flow.h"
#include "platform/paths.h"
#include "platform/vbstring.h"
#include "platform/xml.h"

namespace cavra {
namespace {

bool BlankName(const Variant& name) {
  if (name.IsEmpty() || name.IsNull()) return true;
  std::string text;
  return !SkipErrors([&] { text = CStr(name); }) || vb::Trim(text).empty();
}

std::size_t ArraySize(const Variant& v) {
  return v.type() == VarType::Bytes ? v.AsBytes().size() : v.AsArray().size();
}

Variant ArrayElement(const Variant& v, std::size_t i) {
  if (v.type() == VarType::Bytes) return Variant(static_cast<std::int32_t>(v.AsBytes()[i]));
  return v.AsArray()[i];
}

bool ElementsEqual(const Variant& a, const Variant& b) {
  if (a.IsNumber() && b.IsNumber()) return a.AsDouble() == b.AsDouble();
  return a == b;
}

// The style sheet's effect on a parsed document, done in place: names
// lower-cased, comments and processing instructions dropped (its templates
// copy neither), CDATA sections turned into plain text.
void LowerCaseNames(pugi::xml_document& doc) {
  struct Walker : pugi::xml_tree_walker {
    std::vector<pugi::xml_node> dropped, cdata;
    bool for_each(pugi::xml_node& node) override {
      switch (node.type()) {
        case pugi::node_element: Rename(node); break;
        case pugi::node_comment:
        case pugi::node_pi: dropped.push_back(node); break;
        case pugi::node_cdata: cdata.push_back(node); break;
        default: break;
      }
      return true;
    }
    static void Rename(pugi::xml_node element) {
      element.set_name(vb::LCase(element.name()).c_str());
      // A name met twice after lower-casing keeps the later value, as a
      // second xsl:attribute of one name would.
      std::vector<pugi::xml_attribute> duplicates;
      for (pugi::xml_attribute a : element.attributes()) {
        const std::string name = vb::LCase(a.name());
        pugi::xml_attribute first = element.attribute(name.c_str());
        if (first && first != a) {
          first.set_value(a.value());
          duplicates.push_back(a);
        } else {
          a.set_name(name.c_str());
        }
      }
      for (pugi::xml_attribute a : duplicates) element.remove_attribute(a);
    }
  } walker;
  doc.traverse(walker);
  for (pugi::xml_node node : walker.cdata) {
    node.parent().insert_child_before(pugi::node_pcdata, node).set_value(node.value());
    node.parent().remove_child(node);
  }
  for (pugi::xml_node node : walker.dropped) node.parent().remove_child(node);
}

std::string XslTemplateText() {
  static constexpr std::string_view kRows[] = {
      "<xsl:stylesheet version='1.0' xmlns:xsl='http://www.w3.org/1999/XSL/Transform'> ",
      "<xsl:output method='xml' version='1.0' encoding='iso-8859-1' indent='yes' "
      "omit-xml-declaration='yes'/>",
      "<xsl:variable name= 'ucase'>ABCDEFGHIJKLMNOPQRSTUVWXYZ</xsl:variable>",
      "<xsl:variable name='lcase'>abcdefghijklmnopqrstuvwxyz</xsl:variable>",
      "<xsl:template   match= '*'> ",
      "<xsl:element name='{translate(name(),$ucase,$lcase)}'>",
      "<xsl:for-each select= '@*'><xsl:attribute  name='{translate(name(),$ucase,$lcase)}'>",
      "<xsl:value-of select= '.' />",
      "</xsl:attribute>",
      "</xsl:for-each>",
      "<xsl:apply-templates />",
      "</xsl:element>",
      "</xsl:template>",
      "</xsl:stylesheet>",
  };
  std::string text;
  for (std::string_view row : kRows) text.append(row).append("\r\n");
  return text;
}

}  // namespace

std::string Null2Str(const Variant& v) {
  std::string text;
  if (!v.IsNull()) SkipErrors([&] { text = CStr(v); });
  return text;
}

std::int32_t Null2Lng(const Variant& v) {
  std::int32_t n = 0;
  if (!v.IsNull()) SkipErrors([&] { n = CLng(v); });
  return n;
}

double Null2Dbl(const Variant& v) {
  double d = 0;
  if (!v.IsNull()) SkipErrors([&] { d = CDbl(v); });
  return d;
}

std::string NullVarToStr(Variant& v) {
  if (v.IsNull()) v = Variant(std::string());
  return Null2Str(v);
}

std::int32_t SafeCLng(const Variant& v) { return IsNumeric(v) ? Null2Lng(v) : 0; }

Variant GetNodeAttribute(const pugi::xml_node& element, const Variant& name) {
  if (!element || BlankName(name)) return {};
  return Variant(std::string(element.attribute(CStr(name).c_str()).value()));
}

void SetNodeAttribute(pugi::xml_node element, const Variant& name, const Variant& value) {
  if (!element || BlankName(name)) return;
  SkipErrors([&] {
    const std::string text = value.IsNull() ? std::string() : CStr(value);
    const std::string key = CStr(name);
    pugi::xml_attribute a = element.attribute(key.c_str());
    if (!a) a = element.append_attribute(key.c_str());
    a.set_value(text.c_str());
  });
}

pugi::xml_node AppendToSection(pugi::xml_document* doc, std::string_view tag, const pugi::xml_node& child) {
  if (!doc || !child) return {};
  pugi::xml_node appended;
  SkipErrors([&] {
    pugi::xml_node section = xml::SelectSingleNode(*doc, "//" + std::string(tag));
    if (!section) {
      const std::string name(tag);
      pugi::xml_node root = doc->document_element();
      section = root ? root.append_child(name.c_str()) : doc->append_child(name.c_str());
    }
    appended = child.root() == *doc ? section.append_move(child) : section.append_copy(child);
  });
  return appended;
}

std::string ColorToHtml(std::int32_t color) {
  const auto c = static_cast<std::uint32_t>(color);
  char html[8];
  std::snprintf(html, sizeof html, "#%02X%02X%02X", c & 0xFFu, (c >> 8) & 0xFFu, (c >> 16) & 0xFFu);
  return html;
}

std::string TwipToPrintUnit(std::int32_t twips) {
  return std::to_string(static_cast<std::int64_t>(RoundHalfEven(twips * 100.0 / 56.692556 / 10.0)));
}

Variant GetFontStringPart(std::string_view text, std::int32_t index) {
  static constexpr std::string_view kDefaults[] = {"783", "1", "宋体,9,0,0,1", "0"};
  if (index < 0 || index > 3) return {};
  const auto parts = vb::Split(text, "@");
  const auto i = static_cast<std::size_t>(index);
  return Variant(parts.size() == 4 ? std::string_view(parts[i]) : kDefaults[i]);
}

std::string GetTextLine(std::string_view text, std::int32_t index) {
  const auto pieces = vb::Split(text, "\r");
  if (index < 0 || static_cast<std::size_t>(index) >= pieces.size()) return {};
  std::string line;
  for (char c : pieces[static_cast<std::size_t>(index)])
    if (c != '\r' && c != '\n') line.push_back(c);
  return line;
}

bool ArraysEqual(const Variant& a, const Variant& b) {
  if (!a.IsArray() || !b.IsArray()) return false;
  const std::size_t n = ArraySize(a);
  if (n != ArraySize(b)) return false;
  for (std::size_t i = 0; i < n; ++i)
    if (!ElementsEqual(ArrayElement(a, i), ArrayElement(b, i))) return false;
  return true;
}

ObjectPtr ObjectFromPointer(std::uintptr_t address) {
  if (address == 0) return nullptr;
  return reinterpret_cast<Object*>(address)->weak_from_this().lock();
}

std::string GetTempDirectory() {
  std::string dir = vb::Trim(paths::TempDirectory().string());
  if (dir.empty() || dir.back() != '/') dir.push_back('/');
  return dir;
}

std::string XmlEncode(std::string_view s) {
  std::string out = vb::Replace(s, "&", "&amp;");
  out = vb::Replace(out, "<", "&lt;");
  out = vb::Replace(out, ">", "&gt;");
  return vb::Replace(out, "'", "&apos;");
}

DomPtr GetXslTemplateDom() {
  DomPtr& cached = Thread().lowerCaseXsl;
  if (cached) return cached;
  const std::string text = XslTemplateText();
  std::string reason;
  if (DomPtr xsl = xml::LoadNew(text, &reason)) return cached = xsl;
  Trace("ModuleName:clsOther,FunctionName:GetXslTemplateDom,ErrNumber:99,sXML=", text, "\r\n错误原因：", reason);
  return NewDom();
}

void UTLCase(std::string& sXML, bool escapeAmp) {
  SkipErrors([&] {
    Trace("开始 替换特殊字符");
    if (escapeAmp) sXML = vb::Replace(sXML, "&", "&amp;");
    Trace("开始 转换大小写");
    pugi::xml_document doc;
    xml::LoadResult loaded = xml::Load(doc, sXML);
    if (loaded && !doc.document_element()) loaded = {false, "no document element"};
    if (!loaded) {
      Trace("ModuleName:clsOther,FunctionName:UTLCase,ErrNumber:99,sXML=", sXML, "\r\n错误原因：", loaded.reason);
      return;
    }
    // Without its style sheet the transform has nothing to apply.
    if (!GetXslTemplateDom()->document_element()) return;
    LowerCaseNames(doc);
    sXML = xml::Text(doc.document_element());
  });
  Trace("完成 转换大小写");
}

}  // namespace cavra
