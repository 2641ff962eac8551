#include "render/pdf_writer.h"

#include <cairo-pdf.h>
#include <cairo.h>
#include <pango/pangocairo.h>

#include <algorithm>
#include <utility>

namespace cavra::render {
namespace {

constexpr double kPointsPerTenth = 72.0 / 254.0;

double Pt(double tenths) { return tenths * kPointsPerTenth; }

// Same options for measuring and drawing, so that wrapped lines agree.
PangoContext* NewContext(cairo_t* cr) {
  PangoContext* ctx = pango_cairo_create_context(cr);
  pango_cairo_context_set_resolution(ctx, 72);  // font sizes in points are user units
  cairo_font_options_t* options = cairo_font_options_create();
  cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
  cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
  pango_cairo_context_set_font_options(ctx, options);
  cairo_font_options_destroy(options);
  return ctx;
}

PangoFontDescription* Describe(const Font& f) {
  PangoFontDescription* d = pango_font_description_new();
  pango_font_description_set_family(d, FontFamilies(f.name).c_str());
  pango_font_description_set_size(d, static_cast<int>(f.size * PANGO_SCALE));
  pango_font_description_set_weight(d, f.bold ? PANGO_WEIGHT_BOLD : PANGO_WEIGHT_NORMAL);
  pango_font_description_set_style(d, f.italic ? PANGO_STYLE_ITALIC : PANGO_STYLE_NORMAL);
  return d;
}

// A layout of text wrapped at width points (no wrap when width <= 0).
PangoLayout* NewLayout(PangoContext* ctx, const std::string& text, const Font& f, double width, Align align) {
  PangoLayout* layout = pango_layout_new(ctx);
  PangoFontDescription* d = Describe(f);
  pango_layout_set_font_description(layout, d);
  pango_font_description_free(d);
  if (width > 0) {
    pango_layout_set_width(layout, static_cast<int>(width * PANGO_SCALE));
    pango_layout_set_wrap(layout, PANGO_WRAP_WORD_CHAR);
  }
  pango_layout_set_alignment(layout, align == Align::Left     ? PANGO_ALIGN_LEFT
                                     : align == Align::Center ? PANGO_ALIGN_CENTER
                                                              : PANGO_ALIGN_RIGHT);
  if (f.underline) {
    PangoAttrList* attrs = pango_attr_list_new();
    pango_attr_list_insert(attrs, pango_attr_underline_new(PANGO_UNDERLINE_SINGLE));
    pango_layout_set_attributes(layout, attrs);
    pango_attr_list_unref(attrs);
  }
  // Pango refuses invalid UTF-8; the valid part shows, the rest as U+FFFD.
  gchar* valid = g_utf8_make_valid(text.data(), static_cast<gssize>(text.size()));
  pango_layout_set_text(layout, valid, -1);
  g_free(valid);
  return layout;
}

}  // namespace

std::string FontFamilies(const std::string& name) {
  static const std::pair<const char*, const char*> kAliases[] = {
      {"宋体", "Noto Serif CJK SC"},    {"SimSun", "Noto Serif CJK SC"},
      {"新宋体", "Noto Serif CJK SC"},  {"NSimSun", "Noto Serif CJK SC"},
      {"仿宋", "Noto Serif CJK SC"},    {"FangSong", "Noto Serif CJK SC"},
      {"楷体", "Noto Serif CJK SC"},    {"KaiTi", "Noto Serif CJK SC"},
      {"黑体", "Noto Sans CJK SC"},     {"SimHei", "Noto Sans CJK SC"},
      {"微软雅黑", "Noto Sans CJK SC"}, {"Microsoft YaHei", "Noto Sans CJK SC"},
  };
  for (const auto& [from, to] : kAliases)
    if (name == from) return std::string(to) + ",Noto Sans CJK SC";
  // A comma would split the name into families of the caller's choosing.
  std::string clean;
  for (char c : name) clean += (c == ',' || c == ';') ? ' ' : c;
  return clean.empty() ? "Noto Sans CJK SC" : clean + ",Noto Sans CJK SC";
}

struct PangoMeasure::State {
  cairo_surface_t* surface = nullptr;
  cairo_t* cr = nullptr;
  PangoContext* ctx = nullptr;
};

PangoMeasure::PangoMeasure() : state_(std::make_unique<State>()) {
  state_->surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1, 1);
  state_->cr = cairo_create(state_->surface);
  state_->ctx = NewContext(state_->cr);
}

PangoMeasure::~PangoMeasure() {
  g_object_unref(state_->ctx);
  cairo_destroy(state_->cr);
  cairo_surface_destroy(state_->surface);
}

double PangoMeasure::Height(const std::string& text, const Font& font, double width) {
  PangoLayout* layout = NewLayout(state_->ctx, text, font, Pt(width), Align::Left);
  int w = 0, h = 0;
  pango_layout_get_size(layout, &w, &h);
  g_object_unref(layout);
  return static_cast<double>(h) / PANGO_SCALE / kPointsPerTenth;
}

struct PdfWriter::State {
  std::string path;
  cairo_surface_t* surface = nullptr;
  cairo_t* cr = nullptr;
  PangoContext* ctx = nullptr;

  void Close() {
    if (ctx) g_object_unref(ctx);
    if (cr) cairo_destroy(cr);
    if (surface) cairo_surface_destroy(surface);
    ctx = nullptr;
    cr = nullptr;
    surface = nullptr;
  }
};

PdfWriter::PdfWriter() : state_(std::make_unique<State>()) {}

PdfWriter::~PdfWriter() { state_->Close(); }

bool PdfWriter::Open(const std::string& path, double width, double height) {
  State& s = *state_;
  s.Close();
  s.path = path;
  s.surface = cairo_pdf_surface_create(path.c_str(), Pt(width), Pt(height));
  if (cairo_surface_status(s.surface) != CAIRO_STATUS_SUCCESS) {
    reason_ = "cannot create " + path + ": " + cairo_status_to_string(cairo_surface_status(s.surface));
    s.Close();
    return false;
  }
  cairo_pdf_surface_set_metadata(s.surface, CAIRO_PDF_METADATA_CREATOR, "CavraVoucherService");
  s.cr = cairo_create(s.surface);
  s.ctx = NewContext(s.cr);
  return true;
}

void PdfWriter::AddPage(const Page& page) {
  cairo_t* cr = state_->cr;
  if (!cr) return;
  cairo_set_source_rgb(cr, 0, 0, 0);
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_SQUARE);
  for (const LineItem& l : page.lines) {
    cairo_set_line_width(cr, Pt(l.width));
    cairo_move_to(cr, Pt(l.x1), Pt(l.y1));
    cairo_line_to(cr, Pt(l.x2), Pt(l.y2));
    cairo_stroke(cr);
  }
  for (const TextItem& t : page.texts) {
    double width = std::max(1.0, t.box.w - 2 * t.padding);
    PangoLayout* layout = NewLayout(state_->ctx, t.text, t.font, Pt(width), t.align);
    int w = 0, h = 0;
    pango_layout_get_size(layout, &w, &h);
    double textH = static_cast<double>(h) / PANGO_SCALE;
    // centred in the box, or from its top when taller
    double top = Pt(t.box.y) + std::max(0.0, (Pt(t.box.h) - textH) / 2);
    cairo_save(cr);
    cairo_rectangle(cr, Pt(t.box.x), Pt(t.box.y), Pt(t.box.w), Pt(t.box.h));
    cairo_clip(cr);
    cairo_set_source_rgb(cr, t.font.color.r / 255.0, t.font.color.g / 255.0, t.font.color.b / 255.0);
    cairo_move_to(cr, Pt(t.box.x + t.padding), top);
    pango_cairo_show_layout(cr, layout);
    cairo_restore(cr);
    g_object_unref(layout);
  }
  cairo_show_page(cr);
}

bool PdfWriter::Finish() {
  State& s = *state_;
  if (!s.surface) return false;
  g_object_unref(s.ctx);
  s.ctx = nullptr;
  cairo_destroy(s.cr);
  s.cr = nullptr;
  cairo_surface_finish(s.surface);
  cairo_status_t status = cairo_surface_status(s.surface);
  s.Close();
  if (status != CAIRO_STATUS_SUCCESS) {
    reason_ = "cannot write " + s.path + ": " + cairo_status_to_string(status);
    return false;
  }
  return true;
}

bool WritePdf(const PageModel& model, const std::string& path, std::string& reason) {
  PdfWriter pdf;
  bool ok = pdf.Open(path, model.width, model.height);
  if (ok) {
    for (const Page& page : model.pages) pdf.AddPage(page);
    ok = pdf.Finish();
  }
  if (!ok) reason = pdf.reason();
  return ok;
}

}  // namespace cavra::render
