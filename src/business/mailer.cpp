#include "business/mailer.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <iterator>
#include <system_error>

#include "business/smtp_sender.h"
#include "cavra/error.h"
#include "cavra/sql_text.h"
#include "core/global_helpers.h"
#include "platform/base64.h"
#include "platform/paths.h"
#include "platform/vbstring.h"
#include "platform/xml.h"

namespace cavra {
namespace {

namespace fs = std::filesystem;

constexpr const char* kCrLf = "\r\n";

struct Lookup {
  const char* table;
  const char* code;
  const char* name;
  const char* email;
};
constexpr Lookup kLookups[] = {
    {"Customer", "cCusCode", "cCusName", "cCusEmail"},
    {"Person", "cPersonCode", "cPersonName", "cPersonEmail"},
    {"hr_hi_person", "cPsn_Num", "cPsn_Name", "cPsnEmail"},
    {"UA_User", "cUser_Id", "cUser_Name", "cUserEmail"},
};

bool PrintableAscii(const std::string& s) {
  for (unsigned char c : s)
    if (c < 0x20 || c > 0x7E) return false;
  return true;
}

std::string Wrapped(const std::string& base64) {
  std::string out;
  for (std::size_t i = 0; i < base64.size(); i += 76) out.append(base64, i, 76).append(kCrLf);
  return out;
}

std::string Base64Of(std::string_view s) {
  return Base64Encode({reinterpret_cast<const std::uint8_t*>(s.data()), s.size()});
}

// A display name: quoted ASCII, or encoded words.
std::string Phrase(const std::string& name) {
  if (!PrintableAscii(name)) return VoucherMailer::EncodeHeaderText(name);
  std::string q = "\"";
  for (char c : name) {
    if (c == '"' || c == '\\') q += '\\';
    q += c;
  }
  return q + "\"";
}

// name as a MIME parameter: name="..." for plain ASCII, else RFC 2231.
std::string FileParameter(const char* key, const std::string& name) {
  bool plain = PrintableAscii(name);
  for (char c : name)
    if (c == '"' || c == '\\') plain = false;
  if (plain) return std::string(key) + "=\"" + name + "\"";
  static const char* hex = "0123456789ABCDEF";
  std::string v = std::string(key) + "*=UTF-8''";
  for (unsigned char c : name) {
    if (std::isalnum(c) || c == '.' || c == '-' || c == '_') {
      v += static_cast<char>(c);
    } else {
      v += '%';
      v += hex[c >> 4];
      v += hex[c & 15];
    }
  }
  return v;
}

std::string ContentTypeOf(const fs::path& file) {
  std::string ext = file.extension().string();
  for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (ext == ".xml") return "application/xml";
  if (ext == ".pdf") return "application/pdf";
  if (ext == ".xls") return "application/vnd.ms-excel";
  if (ext == ".xlsx") return "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet";
  if (ext == ".html" || ext == ".htm") return "text/html";
  return "application/octet-stream";
}

std::string DateHeader() {
  const std::time_t now = std::time(nullptr);
  std::tm tm{};
  localtime_r(&now, &tm);
  static const char* days[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  static const char* months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                 "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  char zone[8];
  std::strftime(zone, sizeof zone, "%z", &tm);
  char out[64];
  std::snprintf(out, sizeof out, "%s, %02d %s %04d %02d:%02d:%02d %s", days[tm.tm_wday], tm.tm_mday,
                months[tm.tm_mon], tm.tm_year + 1900, tm.tm_hour, tm.tm_min, tm.tm_sec, zone);
  return out;
}

std::string Unique() {
  const auto ticks = std::chrono::steady_clock::now().time_since_epoch().count();
  return std::to_string(std::time(nullptr)) + "." + std::to_string(::getpid()) + "." + std::to_string(ticks);
}

}  // namespace

std::string VoucherMailer::EncodeHeaderText(const std::string& text) {
  if (PrintableAscii(text) && text.find("=?") == std::string::npos) return text;
  // 39 bytes make 52 Base64 characters: "Subject: " and one word stay within 76.
  std::string out;
  std::size_t i = 0;
  while (i < text.size()) {
    std::size_t end = std::min(text.size(), i + 39);
    // never cut a UTF-8 sequence: back up to the start of the cut one
    while (end < text.size() && end > i + 1 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
    if (!out.empty()) out += "\r\n ";
    out += "=?UTF-8?B?" + Base64Of(std::string_view(text).substr(i, end - i)) + "?=";
    i = end;
  }
  return out;
}

fs::path VoucherMailer::OutboxFolder() const {
  if (!folder_.empty()) return folder_;
  if (const char* env = std::getenv("CAVRA_OUTBOX_DIR"); env && *env) return env;
  return paths::TempDirectory() / "cavra-outbox";
}

std::string VoucherMailer::Resolve(const std::string& id, const std::string& type) {
  if (type == "0" || id.find('@') != std::string::npos) return IsPlainAddress(id) ? id : std::string();
  if (!source_) return "";
  const std::int32_t kind = IsNumericText(type) ? CLng(Variant(type)) : 0;
  for (std::int32_t k = 1; k <= 4; ++k) {
    if (kind >= 1 && kind <= 4 && k != kind) continue;
    const Lookup& t = kLookups[k - 1];
    std::string err;
    RecordsetPtr rs =
        source_->GetRsBySql(std::string("select ") + t.email + " from " + t.table + " where " + t.code +
                                " = " + SqlLiteral(id) + " or " + t.name + " = " + SqlLiteral(id),
                            err);
    for (; rs && !rs->Eof(); rs->MoveNext()) {
      const std::string address = vb::Trim(Null2Str(rs->Fields(0).Value()));
      if (IsPlainAddress(address)) return address;
    }
  }
  return "";
}

void VoucherMailer::Show(LoginPtr& login, const std::string& destInfo, const std::string& fileName,
                         const std::string& title, const std::string& receiptNo) {
  last_.clear();
  sent_ = false;
  pugi::xml_document dest;
  if (xml::LoadResult r = xml::Load(dest, destInfo); !r)
    throw VbError(err::kInvalidCall, "DestInfo: " + r.reason);
  std::vector<std::string> to, unresolved;
  for (pugi::xml_node person : xml::DocumentElement(dest).children("Person")) {
    const std::string id = person.attribute("Id").value();
    const std::string address = Resolve(id, person.attribute("Type").value());
    (address.empty() ? unresolved : to).push_back(address.empty() ? id : address);
  }

  std::ifstream in(fileName, std::ios::binary);
  if (fileName.empty() || !in) throw VbError(err::kPathFileAccess, "cannot read the attachment " + fileName);
  const std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());

  std::string user;
  try {
    if (login) user = login->cUserName();
  } catch (...) {
  }
  const SmtpSettings smtp = ReadSmtpSettings();
  std::string from = user.empty() ? std::string() : Resolve(user, "4");
  if (from.empty())
    from = smtp.sender.empty() || !smtp.problem.empty() ? "cavra-voucher@localhost" : smtp.sender;

  auto join = [](const std::vector<std::string>& list) {
    std::string s;
    for (const auto& a : list) s += (s.empty() ? "" : ", ") + a;
    return s;
  };
  const std::string boundary = "=_cavra_" + Unique();
  const std::string name = fs::path(fileName).filename().string();
  std::string m;
  m += "From: " + (user.empty() ? std::string() : Phrase(user) + " ") + "<" + from + ">" + kCrLf;
  if (!to.empty()) m += "To: " + join(to) + kCrLf;
  if (!unresolved.empty()) m += "X-Unresolved-Recipients: " + EncodeHeaderText(join(unresolved)) + kCrLf;
  m += "Subject: " + EncodeHeaderText(title) + kCrLf;
  m += "Date: " + DateHeader() + kCrLf;
  m += "Message-ID: <" + Unique() + "@cavra.localhost>" + kCrLf;
  m += std::string("MIME-Version: 1.0") + kCrLf;
  m += "Content-Type: multipart/mixed;\r\n boundary=\"" + boundary + "\"" + kCrLf + kCrLf;
  m += "--" + boundary + kCrLf;
  m += std::string("Content-Type: text/plain; charset=UTF-8") + kCrLf;
  m += std::string("Content-Transfer-Encoding: base64") + kCrLf + kCrLf;
  m += Wrapped(Base64Of("单据号：" + receiptNo + "\r\n"));
  m += "--" + boundary + kCrLf;
  m += "Content-Type: " + ContentTypeOf(name) + ";\r\n " + FileParameter("name", name) + kCrLf;
  m += "Content-Disposition: attachment;\r\n " + FileParameter("filename", name) + kCrLf;
  m += std::string("Content-Transfer-Encoding: base64") + kCrLf + kCrLf;
  m += Wrapped(Base64Of(content));
  m += "--" + boundary + "--" + kCrLf;

  const fs::path folder = OutboxFolder();
  const fs::path sent = folder / "sent";
  std::error_code ec;
  fs::create_directories(folder, ec);
  // A number neither waiting nor sent, so that a sent message keeps its name.
  std::string file;
  for (int n = 1; file.empty(); ++n) {
    std::string candidate = "mail-" + std::to_string(n) + ".eml";
    if (!fs::exists(folder / candidate, ec) && !fs::exists(sent / candidate, ec)) file = std::move(candidate);
  }
  const fs::path target = folder / file;
  fs::path part = target;
  part += ".part";
  {
    std::ofstream out(part, std::ios::binary);
    out.write(m.data(), static_cast<std::streamsize>(m.size()));
    out.close();
    if (!out) {
      fs::remove(part, ec);
      throw VbError(err::kPathFileAccess, "cannot write " + part.string());
    }
  }
  fs::rename(part, target, ec);
  if (ec) {
    fs::remove(part, ec);
    throw VbError(err::kPathFileAccess, "cannot write " + target.string());
  }
  last_ = target;

  if (smtp.server.empty()) return;
  const std::string kept = "; the message stays in " + target.string();
  if (!smtp.problem.empty()) throw VbError(err::kInvalidCall, "mail settings: " + smtp.problem + kept);
  if (!SmtpAvailable()) throw VbError(err::kNotImplemented, SendSmtp(smtp, from, to, m) + kept);
  if (to.empty()) throw VbError(err::kInvalidCall, "the mail has no recipient with an address" + kept);
  if (std::string why = SendSmtp(smtp, smtp.sender.empty() ? from : smtp.sender, to, m); !why.empty())
    throw VbError(err::kConnection, "cannot send the mail through " + smtp.server + ":" +
                                        std::to_string(smtp.port) + ": " + why + kept);
  // Sent: the file moves to sent/. Should the move fail, it waits in the
  // outbox as if unsent: a message sent twice beats one lost.
  fs::create_directories(sent, ec);
  fs::rename(target, sent / file, ec);
  sent_ = true;
  if (!ec) last_ = sent / file;
}

}  // namespace cavra
