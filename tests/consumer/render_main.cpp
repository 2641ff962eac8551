// A host that links the installed renderer: the default print control of
// every service is then the renderer's, and it writes a PDF of the documents
// it is given. Exits non-zero when it does not.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include <cavra/cavra.h>
#include <cavra/render/print_control.h>

int main() {
  auto control = cavra::ComponentRegistry::CreateAs<cavra::IPrintControl>("PrintCanvas.PrintControl");
  if (!std::dynamic_pointer_cast<cavra::render::RenderPrintControl>(control)) {
    std::fprintf(stderr, "the default print control is not the renderer's\n");
    return 1;
  }
  const std::string style =
      "<格式><纸张设置 纸张大小='2100,2970' 页边距='180,200,180,200'/><表格>"
      "<标题 左顶点='0,0' 高='100' 宽='0' 对齐方式='中' 字体名='宋体' 字体大小='18'/></表格></格式>";
  const std::string data = "<数据><任务><单据号>T-1{##}1</单据号><标题>销售订单</标题></任务></数据>";
  if (std::int32_t code = control->SetDataStyleXML(data, false, style, false, "default"); code != 0) {
    std::fprintf(stderr, "SetDataStyleXML: %d\n", code);
    return 1;
  }
  std::string types, sizes, names;
  cavra::Variant file;
  control->sFileType(cavra::render::kPdf);
  const cavra::Variant code = control->ExportToAttached(0, 0, types, sizes, names, "", file);
  if (code.AsDouble() != 0 || !file.IsString()) {
    std::fprintf(stderr, "ExportToAttached gave no file\n");
    return 1;
  }
  std::ifstream in(file.AsString(), std::ios::binary);
  std::string head(4, '\0');
  in.read(head.data(), 4);
  std::filesystem::remove(file.AsString());
  if (head != "%PDF") {
    std::fprintf(stderr, "%s is not a PDF\n", file.AsString().c_str());
    return 1;
  }
  std::printf("renderer: passed\n");
  return 0;
}
