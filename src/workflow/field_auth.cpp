#include "workflow/field_auth.h"

#include "core/trace_log.h"
#include "platform/error_flow.h"
#include "platform/vbstring.h"

namespace cavra {

FieldAuth::FieldAuth(ServiceContext& context, TemplateModel& model, FieldRights& rights, LineEditor& lines)
    : ctx_(context), model_(model), rights_(rights), lines_(lines) {}

bool FieldAuth::SetVoucherAuth(const std::string& sAuth) {
  rights_.SetAuthString(sAuth);
  return false;
}

void FieldAuth::OnDataLoaded() {
  if (status_ == VSeEditMode) {
    LoadWorkflowFieldAuth();
  } else if (status_ == VSeAddMode && rights_.WorkflowAuthApplied()) {
    SetFieldAuth(false);
    rights_.SetWorkflowAuthApplied(false);
  }
}

void FieldAuth::Lift() {
  rights_.SetWorkflowAuthString({});
  SetFieldAuth(false);
  rights_.SetWorkflowAuthApplied(false);
}

void FieldAuth::LoadWorkflowFieldAuth() {
  Trace("进入工作流权限控制");
  if (!ctx_.DataSourceObject()) return;
  const clsBillInformation& bill = model_.Bill();
  std::string pk = vb::Replace(vb::Replace(bill.sPrimaryKeyValues, "{", ""), "}", "");
  std::string receipt = bill.sReceiptNO;
  if (receipt.empty() || pk.empty()) {
    Trace("单据预置信息不全，没有取到单据编号！ 退出");
    return;
  }
  if (rights_.WorkflowAuth()) {
    Trace("获取工作流权限控制");
    std::string fetched = ctx_.DataSource().GetWorkflowAuthString(pk, receipt, bill.sBillNo);
    Trace("获取工作流权限控制 Authstring:", fetched);
    const bool in_flow = fetched != "NotInFlow" && !fetched.empty();
    if (fetched == "1=2") fetched.clear();
    rights_.SetWorkflowAuthString(std::move(fetched));
    if (in_flow) {
      SetFieldAuth(true);
      rights_.SetWorkflowAuthApplied(true);
    } else if (rights_.WorkflowAuthApplied()) {
      Lift();
    }
  } else if (rights_.WorkflowAuthApplied()) {
    Lift();
  }
}

void FieldAuth::SetFieldAuth(bool workflow) {
  std::string list;
  if (workflow) {
    list = rights_.WorkflowAuthString();
  } else if (const std::string& auth = rights_.AuthString(); vb::Contains(auth, "{##}")) {
    list = auth.substr(0, auth.find("{##}"));
  }
  Trace("获取工作流权限控制 isWorkFlow ", workflow ? "True" : "False", " SetFieldAuth:tempAuthString=", list);
  if (!list.empty()) {
    lines_.BodyReadOnly(false);
    const std::string wrapped = "," + list + ",";
    for (const ItemPtr& item : model_.Items()) {
      const bool found = FindFieldRightFlag(item->sFieldName, wrapped, TemplateModel::IsBody(*item));
      Trace("获取工作流权限控制 FindFieldRightFlag 字段名=", item->sFieldName, " bFind =", found ? "True" : "False");
      item->AuthFlag = workflow ? (found ? "W" : "R") : (found ? "R" : "");
    }
  } else {
    for (const ItemPtr& item : model_.Items())
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
