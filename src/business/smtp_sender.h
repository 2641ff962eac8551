// Sending a built message through an SMTP server (libcurl), for the default
// mailer. The settings are string values of the registry-value store under
// kMailKey:
//   Server    host name or address; empty or missing = no server configured
//   Port      1..65535; default 465 with Tls "tls", 587 with "starttls", else 25
//   Tls       "none" (default), "starttls" (required, not opportunistic) or "tls"
//   Sender    envelope sender (MAIL FROM); default the message's From address
//   User      login for SMTP AUTH; empty = no AUTH
//   Password  its password, stored as plain text like every value of the store
//   Timeout   seconds for the whole exchange, 1..3600, default 60; connecting
//             gets at most 10 of them, and the wait for the server to accept
//             the message, once uploaded, gets Timeout again
//   CaFile    PEM file of the authorities trusted for the server's certificate,
//             besides the system's
// Certificates are always verified, host name included.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace cavra {

inline constexpr const char* kMailKey = "SOFTWARE\\Tolmsoft\\WF\\V8.700\\Mail";

struct SmtpSettings {
  enum class Tls { kNone, kStartTls, kTls };
  std::string server;  // empty: not configured
  int port = 25;
  Tls tls = Tls::kNone;
  std::string sender, user, password, caFile;
  int timeoutSeconds = 60;
  std::string problem;  // why the values cannot be used; empty when they can
};

// An address fit for a header and an SMTP command: local@domain without
// blanks, quotes, angle brackets, commas or line breaks.
bool IsPlainAddress(std::string_view address);

// The settings as the store holds them now.
SmtpSettings ReadSmtpSettings();

// Whether this build can send at all (libcurl linked in).
bool SmtpAvailable();

// Sends message, the exact bytes of an RFC 5322 message with CR LF line ends,
// from the envelope sender to each recipient (plain addresses, checked by the
// caller). "" on success, else why not. Any recipient the server refuses
// fails the whole message.
std::string SendSmtp(const SmtpSettings& settings, const std::string& sender,
                     const std::vector<std::string>& recipients, std::string_view message);

}  // namespace cavra
