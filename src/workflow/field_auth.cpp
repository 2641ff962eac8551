#include "workflow/field_auth.h"

#include "core/trace_log.h"
#include "platform/error_flow.h"
#include "platform/vbstring.h"

namespace cavra {

FieldAuth::FieldAuth(ServiceContext& context, TemplateModel& model, FieldRights& rights, LineEditor& lines)
    : ctx_(context), model_(model), rights_(rights), lines_(lines) {}

bool FieldAuth::SetVoucherAuth(const std::string& sAuth) {
  rights_.m_sAuthString = sAuth;
  return false;
}

void FieldAuth::OnDataLoaded() {
  if (status_ == VSeEditMode) {
    LoadWorkflowFieldAuth();
  } else if (status_ == VSeAddMode && rights_.m_bWorkflowAuthApplied) {
    SetFieldAuth(false);
    rights_.m_bWorkflowAuthApplied = false;
  }
}

void FieldAuth::Lift() {
  rights_.m_sWorkflowAuthString.clear();
  SetFieldAuth(false);
  rights_.m_bWorkflowAuthApplied = false;
}

void FieldAuth::LoadWorkflowFieldAuth() {
  Trace("进入工作流权限控制");
  if (!ctx_.dataSource) return;
  const clsBillInformation& bill = model_.Bill();
  std::string pk = vb::Replace(vb::Replace(bill.sPrimaryKeyValues, "{", ""), "}", "");
  std::string receipt = bill.sReceiptNO;
  if (receipt.empty() || pk.empty()) {
    Trace("单据预置信息不全，没有取到单据编号！ 退出");
    return;
  }
  if (rights_.m_bWorkflowAuth) {
    Trace("获取工作流权限控制");
    rights_.m_sWorkflowAuthString = ctx_.DataSource().GetWorkflowAuthString(pk, receipt, bill.sBillNo);
    Trace("获取工作流权限控制 Authstring:", rights_.m_sWorkflowAuthString);
    if (rights_.m_sWorkflowAuthString != "NotInFlow" && !rights_.m_sWorkflowAuthString.empty()) {
      if (rights_.m_sWorkflowAuthString == "1=2") rights_.m_sWorkflowAuthString.clear();
      SetFieldAuth(true);
      rights_.m_bWorkflowAuthApplied = true;
    } else if (rights_.m_bWorkflowAuthApplied) {
      Lift();
    }
  } else if (rights_.m_bWorkflowAuthApplied) {
    Lift();
  }
}

void FieldAuth::SetFieldAuth(bool workflow) {
  std::string list;
  if (workflow) {
    list = rights_.m_sWorkflowAuthString;
  } else if (!rights_.m_sAuthString.empty() && vb::Contains(rights_.m_sAuthString, "{##}")) {
    list = rights_.m_sAuthString.substr(0, rights_.m_sAuthString.find("{##}"));
  }
  Trace("获取工作流权限控制 isWorkFlow ", workflow ? "True" : "False", " SetFieldAuth:tempAuthString=", list);
  if (!list.empty()) {
    lines_.BodyReadOnly(false);
    const std::string wrapped = "," + list + ",";
    for (const ItemPtr& item : *model_.m_colItems) {
      const bool found = FindFieldRightFlag(item->sFieldName, wrapped, TemplateModel::IsBody(*item));
      Trace("获取工作流权限控制 FindFieldRightFlag 字段名=", item->sFieldName, " bFind =", found ? "True" : "False");
      item->AuthFlag = workflow ? (found ? "W" : "R") : (found ? "R" : "");
    }
  } else {
    for (const ItemPtr& item : *model_.m_colItems)
      if (item->showIt) item->AuthFlag = workflow ? "R" : "";
    if (workflow) {
      Trace("获取工作流权限控制 设置表体只读");
      lines_.BodyReadOnly(true);
    } else {
      Trace("获取工作流权限控制 设置表体可写");
      lines_.BodyReadOnly(false);
    }
  }
}

}  // namespace cavra
