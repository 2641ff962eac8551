// A Chinese sales order as the two print documents, written by hand after
// their grammar, with options for the cases the renderer must handle.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace cavra::testing {

struct SalesOrder {
  int lines = 60;
  std::string paper = "纸张大小='2100,2970' 打印方向='纵向' 页边距='180,200,180,200'";
  std::string columnWidths = "200,300,450,200,250,300";
  std::string rowHeight = "0";
  int fixedRows = 0;
  std::string bodyFont = "宋体";
  std::string nameCell;  // when set, the name of line 1 (a long text)
  int groupSize = 0;     // > 0: the lines in 分单 groups of this size
  bool tailAfterBody = true;
  std::string amountType = "5";  // 类型 of the upper-case total field

  // Amount of line i (from 1) in cents.
  static std::int64_t Cents(int i) { return static_cast<std::int64_t>(i % 7 + 1) * (1250 + 37 * i); }

  std::string Style() const {
    std::string s =
        "<?xml version='1.0' encoding='utf-16' ?>\r\n<格式 版本='2.0' 来源='单据' 语言='sa'>\r\n"
        "<打印设置 打印范围 = '全部' 打印份数 = '1' 压缩 = '否'  条码长度='1' 多任务强制分页 = '是' "
        "分单小计转合计='否'/>\r\n<纸张设置 纸张类型='9' " +
        paper +
        "/>\r\n<表格 流式打印='否'>"
        "<页眉 高='100' 颜色='#000000' 字体名='宋体' 字体大小='9' 粗体='否' 打印='' 对齐方式='右' 图片='否' "
        "缩放模式='原始大小' 图片居右='否' 斜体='否'/>\r\n"
        "<标题 左顶点='0,0' 高='100' 宽='0' 对齐方式='中' 字体名='黑体' 字体大小='18' 粗体='是' 斜体='否' "
        "下划线='否' 颜色='#000000'/>"
        "<表头 字体名='Tahoma' 字体大小='9' 颜色='#800000'>"
        "<字段 类型='0' 名字='客户' 关键字='客户(cCusName)' 字体名='宋体' 字体大小='10' 粗体='否' "
        "下划线='否' "
        "斜体='否' 左顶点='0,130' 宽='1000' 高='60' 颜色='#000000'  边框='0'  打印='打印'  对齐方式='左' "
        "/>\r\n"
        "<字段 类型='1' 套打='是' 标题宽度='0' 关键字='订单号(cSOCode)' 字体名='Tahoma' 字体大小='10' "
        "粗体='否' "
        "下划线='否' 斜体='否' 左顶点='1100,130' 宽='640' 高='60' 颜色='#000000'  边框='0x1F' 垂直对齐='中' "
        " 打印='第一页'  对齐方式='右' />\r\n"
        "<字段 类型='20' 名字='日期' 关键字='日期(dDate)' 字体名='宋体' 字体大小='10' 粗体='否' 下划线='否' "
        "斜体='否' 左顶点='0,200' 宽='1000' 高='60' 颜色='#000000'  边框='0' 下标线='是'  打印='打印' "
        " 对齐方式='左' />\r\n</表头>"
        "<表体 左顶点='0,280' 宽='0' 高='0' 固定行数='" +
        std::to_string(fixedRows) + "' 列宽='" + columnWidths +
        "' 条码='-1,-1,-1,-1,-1,-1' 字段类型='10,10,10,7,7,7' 字段大小='4,20,60,8,8,8' "
        "字段名称='RowNo,cInvCode,cInvName,iQuantity,iUnitPrice,iMoney'>\r\n"
        "<表体头 对齐方式='中' 边框风格='783' 边框宽度='1' 行高='0' 字体名='宋体' 字体大小='9' 粗体='是' "
        "斜体='否' 下划线='否' 颜色='#000000'/>"
        "<表体行 边框风格='783' 边框宽度='1' 行高='" +
        rowHeight + "' 字体名='" + bodyFont +
        "' 对齐方式='中,左,左,右,右,右,' "
        "字体大小='9' 粗体='否' 斜体='否' 下划线='否' 颜色='#000000'/>"
        "<表体尾 边框风格='783' 边框宽度='1' 行高='0' 字体名='宋体' 对齐方式='右' 字体大小='9' 合计行='1' "
        "打印='最后一表' 颜色='#000000'/>\r\n</表体>"
        "<表尾 字体名='宋体' 字体大小='9' 颜色='#800000'   打印='最后一页'  紧贴表体='" +
        std::string(tailAfterBody ? "是" : "否") +
        "'>\r\n"
        "<字段 类型='" +
        amountType +
        "' 名字='合计金额' 关键字='合计金额(iSum)' 字体名='宋体' 字体大小='10' "
        "粗体='是' 下划线='否' 斜体='否' 左顶点='0,2200' 宽='1740' 高='70' 颜色='#000000'  边框='0' "
        " 打印='最后一页'  对齐方式='左' />\r\n"
        "<字段 类型='0' 名字='制单人' 关键字='制单人(cMaker)' 字体名='宋体' 字体大小='10' 粗体='否' "
        "下划线='否' "
        "斜体='否' 左顶点='0,2280' 宽='800' 高='60' 颜色='#000000'  边框='0'  打印='最后一页'  对齐方式='左' "
        "/>\r\n"
        "</表尾><页脚 高='170' 字体名='宋体' 字体大小='9' 粗体='否' 斜体='否' 下划线='否' 打印='打印' "
        "对齐方式='中' 图片='否' 缩放模式='原始大小' 图片居右='否' 颜色='#000000'/>\r\n</表格></格式>";
    return s;
  }

  static std::string Money(std::int64_t cents) {
    std::string whole = std::to_string(cents / 100), frac = std::to_string(cents % 100);
    return whole + "." + (frac.size() < 2 ? "0" : "") + frac;
  }

  std::int64_t TotalCents() const {
    std::int64_t t = 0;
    for (int i = 1; i <= lines; ++i) t += Cents(i);
    return t;
  }

  std::string Data() const {
    std::string d =
        "<?xml version='1.0' encoding='utf-16' ?>\r\n<数据>\r\n<任务>\r\n"
        "<页眉 图片='公司LOGO'>卡拉贸易有限公司</页眉>\r\n<标题>销售订单</标题>\r\n"
        "<单据号>SO-0001{##}1000001</单据号>\r\n<表头>\r\n"
        "<字段 名字='客户(cCusName)'>上海云帆科技有限公司</字段><字段 名字='订单号(cSOCode)'>SO-0001</字段>"
        "<字段 名字='日期(dDate)'>2026-12-06</字段></表头>\r\n<表体>\r\n<表体头>\r\n"
        "<单元>行号</单元><单元>存货\r\n编码</单元><单元>存货名称</单元><单元>数量</单元><单元>单价</单元>"
        "<单元>金额</单元></表体头>\r\n";
    for (int i = 1; i <= lines; ++i) {
      if (groupSize > 0 && (i - 1) % groupSize == 0) d += "<分单>";
      int qty = i % 7 + 1;
      std::string code = std::to_string(i);
      code = "SP" + std::string(code.size() < 4 ? 4 - code.size() : 0, '0') + code;
      std::string name =
          i == 1 && !nameCell.empty() ? nameCell : "办公用品" + std::to_string(i % 5 + 1) + "号";
      d += "<表体行><单元>" + std::to_string(i) + "</单元><单元>" + code + "</单元><单元>" + name +
           "</单元><单元>" + std::to_string(qty) + "</单元><单元>" + Money(1250 + 37 * i) + "</单元><单元>" +
           Money(Cents(i)) + "</单元></表体行>";
      if (groupSize > 0 && (i % groupSize == 0 || i == lines)) d += "</分单>";
    }
    d += "<表体尾><单元>本页小计</单元><单元></单元><单元></单元><单元></单元><单元></单元>"
         "<单元>%PAGE_SUM_F%[#,##0.00]</单元></表体尾>"
         "<表体尾><单元>累计</单元><单元></单元><单元></单元><单元></单元><单元></单元>"
         "<单元>%SUB_TOTAL_F%[#,##0.00]</单元></表体尾>"
         "<表体尾><单元>合计</单元><单元></单元><单元></单元><单元></单元><单元></单元><单元>" +
         Money(TotalCents()) +
         "</单元></表体尾></表体>\r\n<表尾>\r\n"
         "<字段 名字='合计金额(iSum)'>" +
         Money(TotalCents()) +
         "</字段><字段 名字='制单人(cMaker)'>张三</字段>"
         "</表尾>\r\n<页脚 图片='公司LOGO'>第%PAGE%页 共%PAGES%页</页脚>\r\n</任务>\r\n</数据>";
    return d;
  }
};

}  // namespace cavra::testing
