#include "business/smtp_sender.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstring>
#include <optional>

#include "platform/registry_store.h"
#include "platform/vbstring.h"

#ifdef CAVRA_WITH_SMTP
#include <curl/curl.h>

#include <memory>
#include <mutex>
#endif

namespace cavra {
namespace {

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

std::optional<int> Number(const std::string& text, int low, int high) {
  int n = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), n);
  if (ec != std::errc() || end != text.data() + text.size() || n < low || n > high) return std::nullopt;
  return n;
}

// A host name, an IPv4 address or an IPv6 one (bracketed or not): nothing
// that could add a user, a path or a second URL to the one we build.
bool PlainHost(const std::string& host) {
  if (host.empty()) return false;
  for (unsigned char c : host)
    if (c == 0 || (!std::isalnum(c) && !std::strchr(".-_:[]", c))) return false;
  const auto open = host.find('['), close = host.find(']');
  // One colon is a port given in the wrong place, two or more an IPv6 address.
  if (open == std::string::npos && close == std::string::npos)
    return std::count(host.begin(), host.end(), ':') != 1;
  return open == 0 && close == host.size() - 1 && host.find_first_of("[]", 1) == close;
}

}  // namespace

bool IsPlainAddress(std::string_view s) {
  const auto at = s.find('@');
  if (at == std::string_view::npos || at == 0 || at + 1 == s.size() || s.find('@', at + 1) != s.npos)
    return false;
  for (unsigned char c : s)
    if (c <= 0x20 || c > 0x7E || std::strchr("\"<>,;\\()[]:", c)) return false;
  return true;
}

SmtpSettings ReadSmtpSettings() {
  auto value = [](const char* name) { return vb::Trim(registry::ReadValue(kMailKey, name).value_or("")); };
  SmtpSettings s;
  s.server = value("Server");
  if (s.server.empty()) return s;
  auto fail = [&](const std::string& why) {
    if (s.problem.empty()) s.problem = why;
  };
  if (!PlainHost(s.server)) fail("Server \"" + s.server + "\" is not a host name or address");

  const std::string tls = Lower(value("Tls"));
  if (tls == "starttls") {
    s.tls = SmtpSettings::Tls::kStartTls;
  } else if (tls == "tls") {
    s.tls = SmtpSettings::Tls::kTls;
  } else if (!tls.empty() && tls != "none") {
    fail("Tls \"" + tls + "\" is none of none, starttls or tls");
  }
  s.port = s.tls == SmtpSettings::Tls::kTls ? 465 : s.tls == SmtpSettings::Tls::kStartTls ? 587 : 25;
  if (const std::string port = value("Port"); !port.empty()) {
    if (auto n = Number(port, 1, 65535)) s.port = *n;
    else fail("Port \"" + port + "\" is not a port number");
  }
  if (const std::string t = value("Timeout"); !t.empty()) {
    if (auto n = Number(t, 1, 3600)) s.timeoutSeconds = *n;
    else fail("Timeout \"" + t + "\" is not a number of seconds from 1 to 3600");
  }
  s.sender = value("Sender");
  if (!s.sender.empty() && !IsPlainAddress(s.sender))
    fail("Sender \"" + s.sender + "\" is not a plain address");
  s.user = value("User");
  // A password may begin or end in blanks.
  s.password = registry::ReadValue(kMailKey, "Password").value_or("");
  s.caFile = value("CaFile");
  return s;
}

#ifdef CAVRA_WITH_SMTP

namespace {

struct Upload {
  std::string_view data;
  std::size_t at = 0;
};

std::size_t ReadUpload(char* buffer, std::size_t size, std::size_t count, void* user) {
  auto* up = static_cast<Upload*>(user);
  const std::size_t n = std::min(size * count, up->data.size() - up->at);
  std::memcpy(buffer, up->data.data() + up->at, n);
  up->at += n;
  return n;
}

struct CurlFree {
  void operator()(CURL* c) const { curl_easy_cleanup(c); }
  void operator()(curl_slist* l) const { curl_slist_free_all(l); }
};

}  // namespace

bool SmtpAvailable() { return true; }

std::string SendSmtp(const SmtpSettings& s, const std::string& sender,
                     const std::vector<std::string>& recipients, std::string_view message) {
  static std::once_flag once;
  static CURLcode init = CURLE_OK;
  std::call_once(once, [] { init = curl_global_init(CURL_GLOBAL_DEFAULT); });
  if (init != CURLE_OK) return std::string("libcurl cannot start: ") + curl_easy_strerror(init);

  std::unique_ptr<CURL, CurlFree> curl(curl_easy_init());
  if (!curl) return "libcurl cannot start";
  std::unique_ptr<curl_slist, CurlFree> rcpt;
  for (const auto& r : recipients) {
    curl_slist* next = curl_slist_append(rcpt.get(), ("<" + r + ">").c_str());
    if (!next) return "out of memory";
    rcpt.release();
    rcpt.reset(next);
  }
  const bool v6 = s.server.find(':') != std::string::npos && s.server.front() != '[';
  const std::string url = std::string(s.tls == SmtpSettings::Tls::kTls ? "smtps://" : "smtp://") +
                          (v6 ? "[" + s.server + "]" : s.server) + ":" + std::to_string(s.port) + "/";
  const std::string from = "<" + sender + ">";
  Upload upload{message};
  char error[CURL_ERROR_SIZE] = "";

  CURL* c = curl.get();
  curl_easy_setopt(c, CURLOPT_ERRORBUFFER, error);
  curl_easy_setopt(c, CURLOPT_URL, url.c_str());
  curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "smtp,smtps");
  curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(c, CURLOPT_TIMEOUT_MS, 1000L * s.timeoutSeconds);
  // The whole-transfer limit does not cover the wait for the reply to the
  // message's end, which would otherwise take libcurl's own 120 s.
  curl_easy_setopt(c, CURLOPT_SERVER_RESPONSE_TIMEOUT, static_cast<long>(s.timeoutSeconds));
  curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT_MS, 1000L * std::min(s.timeoutSeconds, 10));
  if (s.tls == SmtpSettings::Tls::kStartTls)
    curl_easy_setopt(c, CURLOPT_USE_SSL, static_cast<long>(CURLUSESSL_ALL));
  if (!s.caFile.empty()) curl_easy_setopt(c, CURLOPT_CAINFO, s.caFile.c_str());
  if (!s.user.empty()) {
    curl_easy_setopt(c, CURLOPT_USERNAME, s.user.c_str());
    curl_easy_setopt(c, CURLOPT_PASSWORD, s.password.c_str());
  }
  curl_easy_setopt(c, CURLOPT_MAIL_FROM, from.c_str());
  curl_easy_setopt(c, CURLOPT_MAIL_RCPT, rcpt.get());
  curl_easy_setopt(c, CURLOPT_UPLOAD, 1L);
  curl_easy_setopt(c, CURLOPT_READFUNCTION, ReadUpload);
  curl_easy_setopt(c, CURLOPT_READDATA, &upload);
  curl_easy_setopt(c, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(message.size()));

  const CURLcode rc = curl_easy_perform(c);
  if (rc == CURLE_OK) return "";
  std::string why = *error ? error : curl_easy_strerror(rc);
  long code = 0;
  if (curl_easy_getinfo(c, CURLINFO_RESPONSE_CODE, &code) == CURLE_OK && code != 0 &&
      why.find(std::to_string(code)) == std::string::npos)
    why += " (server reply " + std::to_string(code) + ")";
  return why;
}

#else

bool SmtpAvailable() { return false; }

std::string SendSmtp(const SmtpSettings&, const std::string&, const std::vector<std::string>&,
                     std::string_view) {
  return "this build cannot send mail (built without libcurl)";
}

#endif

}  // namespace cavra
