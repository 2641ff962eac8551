#include "workflow/custom_relation.h"

#include "core/trace_log.h"

namespace cavra {

CustomRelation::CustomRelation(ServiceContext& context, TemplateModel& model)
    : ctx_(context), model_(model) {}

const CustomManagerPtr& CustomRelation::Manager() {
  if (!manager_) manager_ = std::make_shared<clsCustomManager>();
  return manager_;
}

bool CustomRelation::SetCustomRelation(const Variant& vtRecordSet) {
  try {
    manager_ = std::make_shared<clsCustomManager>();
    if (vtRecordSet.IsEmpty() || (vtRecordSet.IsObject() && !vtRecordSet.AsObject())) return false;
    const ItemCollection& items = model_.Items();
    if (items.empty()) {
      Trace("SetCustomRelation -- XXXX", "no template items");
      return false;
    }
    // The manager reads the items only while it initializes: a non-owning handle will do.
    const std::shared_ptr<const ItemCollection> coll(std::shared_ptr<const void>(), &items);
    Variant rows = vtRecordSet;
    if (!manager_->Initialize(rows, coll)) {
      Trace("SetCustomRelation -- XXXX", "the relation rows cannot be read");
      return false;
    }
    return true;
  } catch (...) {
    Trace("SetCustomRelation -- XXXX", CurrentErrorInfo().second);
    return false;
  }
}

bool CustomRelation::IsAutoFillBackFillCustomField(const Variant& vtIndex, Variant& oResult) {
  try {
    return Manager()->IsNeedAutoBackFillCustom(vtIndex, oResult);
  } catch (...) {
    Trace("IsAutoFillBackFillCustomField -- XXXX", CurrentErrorInfo().second);
    return false;
  }
}

void CustomRelation::CallAutoFillBackEvent(const std::string& sFieldName, std::int32_t Row) {
  try {
    // An unknown field fires controlError once, as every name lookup does.
    const ItemPtr item = model_.ItemState(Variant(sFieldName), sibody);
    if (!item) {
      Trace("CallAutoFillBackEvent -- XXXX", "no body field ", sFieldName);
      return;
    }
    Variant found;
    if (!IsAutoFillBackFillCustomField(Variant(item->sFieldName), found)) return;
    const CustomRecordPtr record = found.As<clsCustomRecord>();
    if (!record) return;
    record->vtAppend = Variant(Row);
    Variant index(item->sFieldName);
    const Variant field_object(item);
    const Variant info(record);
    ctx_.Raise([&](clsVoucherServiceEvents& sink) {
      try {
        sink.AutoFillBackEvent(index, Variant(), field_object, info);
      } catch (...) {
        Trace("CallAutoFillBackEvent -- XXXX", "a handler failed: ", CurrentErrorInfo().second);
      }
    });
  } catch (...) {
    Trace("CallAutoFillBackEvent -- XXXX", CurrentErrorInfo().second);
  }
}

}  // namespace cavra
