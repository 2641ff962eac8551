// ServiceContext: what every subsystem of one service object shares: the
// host objects, the component set and caches of its environment, the event
// sinks, the error convention (last error +
// controlError + failed value) and the pass guard that keeps event handlers
// from changing the service under a pass (see cavra/events.h).
#pragma once

#include <cstdint>
#include <exception>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "cavra/error.h"
#include "cavra/events.h"
#include "cavra/grid.h"
#include "cavra/host.h"
#include "cavra/service_environment.h"

namespace cavra {

// The catalogue key of the text of error 10; {0} is the refused member.
inline constexpr const char* kPassInProgressKey = "Cavra.VCH.PassInProgress";

class ServiceContext {
 public:
  // Host objects; held, not owned.
  const LoginPtr& LoginObject() const noexcept { return login_; }
  void SetLogin(LoginPtr login) noexcept { login_ = std::move(login); }
  const DataSourcePtr& DataSourceObject() const noexcept { return data_source_; }
  void SetDataSource(DataSourcePtr source) noexcept { data_source_ = std::move(source); }
  const BodyGridPtr& GridObject() const noexcept { return grid_; }
  void SetGrid(BodyGridPtr grid) noexcept { grid_ = std::move(grid); }

  // The data source, or error 91 when none is set.
  IDataSource& DataSource() const;
  // The attached body grid, or error 91 when none is.
  IBodyGrid& Grid() const;

  // Every creation of a component by identifier goes through Components().
  const ComponentSet& Components() const noexcept { return *components_; }
  BodyKeyCache& BodyKeys() const noexcept { return *body_keys_; }
  // Takes the set and cache of environment; the process-wide ones for those
  // it leaves null.
  void UseEnvironment(const ServiceEnvironment& environment);

  void SetLastError(std::string text) { last_error_ = std::move(text); }
  // Returns the last error text and empties it.
  std::string TakeLastError() { return std::exchange(last_error_, std::string()); }
  const std::string& LastError() const noexcept { return last_error_; }

  // Raises controlError on every sink; a failing sink is ignored.
  void RaiseControlError(std::int32_t number, const std::string& description) noexcept;
  // The error convention: store the description, then raise controlError.
  void Report(std::int32_t number, const std::string& description) noexcept;
  // Report() for the exception being handled.
  void ReportCurrentException() noexcept;

  // Runs body under the error convention; returns failed when it throws.
  template <class R, class F>
  R Guard(R failed, F&& body) noexcept {
    try {
      return std::forward<F>(body)();
    } catch (...) {
      ReportCurrentException();
      return failed;
    }
  }
  template <class F>
  void Guard(F&& body) noexcept {
    try {
      std::forward<F>(body)();
    } catch (...) {
      ReportCurrentException();
    }
  }

  // Held (RAII, nestable) by every pass that raises events from inside: a
  // member that changes the service, its template, documents or host objects.
  class Pass {
   public:
    explicit Pass(ServiceContext& context) noexcept : context_(context) { ++context_.passes_; }
    ~Pass() { --context_.passes_; }
    Pass(const Pass&) = delete;
    Pass& operator=(const Pass&) = delete;

   private:
    ServiceContext& context_;
  };
  bool InPass() const noexcept { return passes_ > 0; }
  // True, with error 10 reported, when a pass is in progress: the caller, a
  // changing member, then returns its failed value without touching anything.
  // A refusal made inside a controlError handler only sets the last error, so
  // a handler that keeps calling cannot recurse without end.
  bool RefuseInPass(const char* member) noexcept;

  void AddSink(std::shared_ptr<clsVoucherServiceEvents> sink);
  void RemoveSink(const std::shared_ptr<clsVoucherServiceEvents>& sink);
  // Calls f(sink) for every sink, in the order they were added.
  template <class F>
  void Raise(F&& f) {
    const auto sinks = sinks_;  // a handler may add or remove sinks
    for (const auto& sink : sinks) f(*sink);
  }

 private:
  LoginPtr login_;
  DataSourcePtr data_source_;
  BodyGridPtr grid_;
  std::shared_ptr<const ComponentSet> components_ = ComponentSet::Process();
  std::shared_ptr<BodyKeyCache> body_keys_ = BodyKeyCache::Process();
  std::string last_error_;
  int passes_ = 0;
  int control_errors_ = 0;  // controlError dispatches under way
  std::vector<std::shared_ptr<clsVoucherServiceEvents>> sinks_;
};

// Number and description of the exception being handled (5 and its text for
// an exception that is not a VbError).
std::pair<std::int32_t, std::string> CurrentErrorInfo() noexcept;

}  // namespace cavra
