// Renders a pair of print documents to one file, as a whole process, for the
// render benchmark to time against a browser printing the same job:
//   render_job STYLE DATA OUT.pdf|OUT.html
// The documents may be UTF-8 or UTF-16LE files. Exit status 0 on success.
#include <cstdio>
#include <string>

#include "render/document.h"
#include "render/html_writer.h"
#include "render/layout.h"
#include "render/pdf_writer.h"

namespace {

using namespace cavra::render;

int Fail(const std::string& reason) {
  std::fprintf(stderr, "render_job: %s\n", reason.c_str());
  return 1;
}

// Lays the documents out straight into writer, page by page.
template <typename Writer>
int Render(Writer& writer, const StyleDocument& style, const DataDocument& data, const std::string& out) {
  if (!writer.Open(out, style.paperWidth, style.paperHeight)) return Fail(writer.reason());
  PangoMeasure measure;
  Layout(style, data, measure, [&writer](Page&& page) { writer.AddPage(page); });
  return writer.Finish() ? 0 : Fail(writer.reason());
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) return Fail("usage: render_job STYLE DATA OUT.pdf|OUT.html");
  std::string styleText, dataText, reason;
  if (!ReadDocumentFile(argv[1], styleText, reason) || !ReadDocumentFile(argv[2], dataText, reason))
    return Fail(reason);
  StyleDocument style;
  DataDocument data;
  DocumentError error;
  if (!ReadStyleDocument(styleText, style, error) || !ReadDataDocument(dataText, data, error))
    return Fail(error.reason);
  const std::string out = argv[3];
  if (out.size() > 5 && out.compare(out.size() - 5, 5, ".html") == 0) {
    HtmlWriter html;
    return Render(html, style, data, out);
  }
  PdfWriter pdf;
  return Render(pdf, style, data, out);
}
