// HostSettings: public variables a host sets and reads back that no
// behaviour of this library reads yet (the tab-stop, default-value and
// assistant switches, the link-query flag, the continue-saving items, the
// values the data source's login gives). Each moves to the subsystem that
// starts reading it.
#pragma once

#include <cstdint>
#include <string>

namespace cavra {

class HostSettings {
 public:
  std::int32_t Version() const noexcept { return version_; }
  void SetVersion(std::int32_t v) noexcept { version_ = v; }
  bool AllowSkipTabStop() const noexcept { return allow_skip_tab_stop_; }
  void SetAllowSkipTabStop(bool b) noexcept { allow_skip_tab_stop_ = b; }
  bool StopSetDefaultValue() const noexcept { return stop_set_default_value_; }
  void SetStopSetDefaultValue(bool b) noexcept { stop_set_default_value_ = b; }
  bool StopAssistantMessage() const noexcept { return stop_assistant_message_; }
  void SetStopAssistantMessage(bool b) noexcept { stop_assistant_message_ = b; }
  bool EnableLinkQuery() const noexcept { return enable_link_query_; }
  bool TemplateChanged() const noexcept { return template_changed_; }
  void SetTemplateChanged(bool b) noexcept { template_changed_ = b; }
  const std::string& SaveContinueItems() const noexcept { return save_continue_items_; }
  void SetSaveContinueItems(std::string s) { save_continue_items_ = std::move(s); }
  // From the data source: its web root in web mode, else the login's
  // subsystem id (the web root is then cleared).
  const std::string& WebRootURL() const noexcept { return web_root_url_; }
  void SetWebRootURL(std::string s) { web_root_url_ = std::move(s); }
  const std::string& SubId() const noexcept { return sub_id_; }
  void SetSubId(std::string s) { sub_id_ = std::move(s); }

 private:
  std::int32_t version_ = 1;
  bool allow_skip_tab_stop_ = true;
  bool stop_set_default_value_ = false;
  bool stop_assistant_message_ = false;
  bool enable_link_query_ = true;
  bool template_changed_ = false;
  std::string save_continue_items_;
  std::string web_root_url_;
  std::string sub_id_;
};

}  // namespace cavra
