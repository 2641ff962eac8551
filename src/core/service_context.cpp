#include "core/service_context.h"

#include <algorithm>

#include "core/resources.h"

namespace cavra {

IDataSource& ServiceContext::DataSource() const {
  if (!data_source_) throw VbError::Standard(err::kObjectNotSet);
  return *data_source_;
}

IBodyGrid& ServiceContext::Grid() const {
  if (!grid_) throw VbError::Standard(err::kObjectNotSet);
  return *grid_;
}

void ServiceContext::UseEnvironment(const ServiceEnvironment& environment) {
  components_ = environment.components ? environment.components : ComponentSet::Process();
  body_keys_ = environment.bodyKeyCache ? environment.bodyKeyCache : BodyKeyCache::Process();
}

void ServiceContext::RaiseControlError(std::int32_t number, const std::string& description) noexcept {
  ++control_errors_;
  try {
    Raise([&](clsVoucherServiceEvents& s) {
      try {
        s.controlError(number, description);
      } catch (...) {
      }
    });
  } catch (...) {
  }
  --control_errors_;
}

bool ServiceContext::RefuseInPass(const char* member) noexcept {
  if (passes_ == 0) return false;
  try {
    VariantArray params{Variant(std::string(member))};
    std::string text = GetResStringEx(kPassInProgressKey, params);
    if (text.empty()) text = std::string(member) + " cannot change the service from an event handler";
    if (control_errors_ > 0)
      SetLastError(std::move(text));
    else
      Report(err::kPassInProgress, text);
  } catch (...) {
  }
  return true;
}

void ServiceContext::Report(std::int32_t number, const std::string& description) noexcept {
  try {
    SetLastError(description);
  } catch (...) {
  }
  RaiseControlError(number, description);
}

void ServiceContext::ReportCurrentException() noexcept {
  auto [number, description] = CurrentErrorInfo();
  Report(number, description);
}

void ServiceContext::AddSink(std::shared_ptr<clsVoucherServiceEvents> sink) {
  if (sink) sinks_.push_back(std::move(sink));
}

void ServiceContext::RemoveSink(const std::shared_ptr<clsVoucherServiceEvents>& sink) {
  sinks_.erase(std::remove(sinks_.begin(), sinks_.end(), sink), sinks_.end());
}

std::pair<std::int32_t, std::string> CurrentErrorInfo() noexcept {
  try {
    throw;
  } catch (const VbError& e) {
    return {e.number(), e.description()};
  } catch (const std::exception& e) {
    return {err::kInvalidCall, e.what()};
  } catch (...) {
    return {err::kInvalidCall, "Unknown error"};
  }
}

}  // namespace cavra
