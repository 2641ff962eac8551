#include "render/pdf_writer.h"

#include <cairo-pdf.h>
#include <cairo.h>
#include <fontconfig/fontconfig.h>
#include <pango/pangocairo.h>

#include <algorithm>
#include <unordered_map>
#include <utility>

#include "render/barcode.h"
#include "render/picture.h"

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

void DrawText(cairo_t* cr, PangoContext* ctx, const TextItem& t) {
  double width = std::max(1.0, t.box.w - 2 * t.padding);
  PangoLayout* layout = NewLayout(ctx, t.text, t.font, Pt(width), t.align);
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

void DrawBarcode(cairo_t* cr, PangoContext* ctx, const BarcodeItem& item) {
  BarcodeShape shape = ShapeBarcode(item);
  cairo_set_source_rgb(cr, 0, 0, 0);
  for (const Rect& r : shape.bars) cairo_rectangle(cr, Pt(r.x), Pt(r.y), Pt(r.w), Pt(r.h));
  cairo_fill(cr);
  for (const TextItem& t : shape.labels) DrawText(cr, ctx, t);
}

struct PngReader {
  std::string_view rest;
  static cairo_status_t Read(void* closure, unsigned char* data, unsigned int length) {
    auto* self = static_cast<PngReader*>(closure);
    if (self->rest.size() < length) return CAIRO_STATUS_READ_ERROR;
    std::copy_n(self->rest.data(), length, data);
    self->rest.remove_prefix(length);
    return CAIRO_STATUS_SUCCESS;
  }
};

// Decoded pictures of one file, so that a logo on every page is decoded once;
// the unique id lets cairo embed identical pictures once even when the cache
// has let go of them.
class PictureCache {
 public:
  PictureCache() = default;
  PictureCache(const PictureCache&) = delete;
  PictureCache& operator=(const PictureCache&) = delete;
  ~PictureCache() { Clear(); }

  // The surface for bytes (owned by the cache), nullptr when refused.
  cairo_surface_t* Get(const std::string& bytes, PictureInfo& info) {
    info = ProbePicture(bytes);
    if (info.format == PictureFormat::None) return nullptr;
    if (auto it = surfaces_.find(bytes); it != surfaces_.end()) return it->second;
    const std::uint64_t pixels = static_cast<std::uint64_t>(info.width) * info.height;
    if (pixels_ + pixels > kMaxPicturePixels) Clear();  // at most one limit's worth held
    cairo_surface_t* surface = Decode(bytes, info);
    if (!surface) return nullptr;
    pixels_ += pixels;
    surfaces_.emplace(bytes, surface);
    return surface;
  }

  void Clear() {
    for (auto& [bytes, surface] : surfaces_) cairo_surface_destroy(surface);
    surfaces_.clear();
    pixels_ = 0;
  }

 private:
  static cairo_surface_t* Decode(const std::string& bytes, const PictureInfo& info) {
    cairo_surface_t* surface = nullptr;
    const int w = static_cast<int>(info.width), h = static_cast<int>(info.height);
    if (info.format == PictureFormat::Png) {
      PngReader reader{bytes};
      surface = cairo_image_surface_create_from_png_stream(&PngReader::Read, &reader);
    } else {
      // Never decoded: cairo writes the JPEG bytes as they are; the blank
      // pixels of the surface only give it the size.
      surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, w, h);
      auto* copy = new std::string(bytes);
      if (cairo_surface_set_mime_data(surface, CAIRO_MIME_TYPE_JPEG,
                                      reinterpret_cast<const unsigned char*>(copy->data()), copy->size(),
                                      [](void* p) { delete static_cast<std::string*>(p); },
                                      copy) != CAIRO_STATUS_SUCCESS)
        delete copy;
    }
    if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS || cairo_image_surface_get_width(surface) != w ||
        cairo_image_surface_get_height(surface) != h) {
      cairo_surface_destroy(surface);
      return nullptr;
    }
    auto* id = new std::string(std::to_string(std::hash<std::string>{}(bytes)) + "-" +
                               std::to_string(bytes.size()));
    if (cairo_surface_set_mime_data(surface, CAIRO_MIME_TYPE_UNIQUE_ID,
                                    reinterpret_cast<const unsigned char*>(id->data()), id->size(),
                                    [](void* p) { delete static_cast<std::string*>(p); },
                                    id) != CAIRO_STATUS_SUCCESS)
      delete id;
    return surface;
  }

  std::unordered_map<std::string, cairo_surface_t*> surfaces_;
  std::uint64_t pixels_ = 0;
};

void DrawImage(cairo_t* cr, PictureCache& cache, const ImageItem& item) {
  PictureInfo info;
  cairo_surface_t* surface = cache.Get(item.bytes, info);
  if (!surface || !(item.box.w > 0) || !(item.box.h > 0)) return;  // refused: the box stays empty
  Rect r = PictureRect(item.box, info.width, info.height, item.mode, item.alignRight);
  cairo_save(cr);
  cairo_rectangle(cr, Pt(item.box.x), Pt(item.box.y), Pt(item.box.w), Pt(item.box.h));
  cairo_clip(cr);
  cairo_translate(cr, Pt(r.x), Pt(r.y));
  cairo_scale(cr, Pt(r.w) / info.width, Pt(r.h) / info.height);
  cairo_set_source_surface(cr, surface, 0, 0);
  cairo_paint(cr);
  cairo_restore(cr);
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
  PictureCache pictures;

  void Close() {
    pictures.Clear();
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
  // Pictures under the lines, barcodes and texts.
  for (const ImageItem& i : page.images) DrawImage(cr, state_->pictures, i);
  cairo_set_source_rgb(cr, 0, 0, 0);
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_SQUARE);
  for (const LineItem& l : page.lines) {
    cairo_set_line_width(cr, Pt(l.width));
    cairo_move_to(cr, Pt(l.x1), Pt(l.y1));
    cairo_line_to(cr, Pt(l.x2), Pt(l.y2));
    cairo_stroke(cr);
  }
  for (const BarcodeItem& b : page.barcodes) DrawBarcode(cr, state_->ctx, b);
  for (const TextItem& t : page.texts) DrawText(cr, state_->ctx, t);
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

void ReleaseFontCaches() {
  pango_cairo_font_map_set_default(nullptr);
  cairo_debug_reset_static_data();
  FcFini();
}

}  // namespace cavra::render
