// The default mailer ("VoucherMailer.ClassFullEMail"): instead of opening a
// mail window it writes the message as an RFC 5322 / MIME file into an
// outbox folder, and sends it through SMTP when a server is configured. The
// file is mail-<n>.eml, <n> the smallest number not in use. The folder is
// OutboxFolder() when set, else the environment variable CAVRA_OUTBOX_DIR,
// else "cavra-outbox" under the temporary folder.
//
// The message: From the login's user (UA_User.cUserEmail when the data source
// holds it, else the configured Sender, else "cavra-voucher@localhost"), To
// the recipients of DestInfo, Subject the title (RFC 2047 B-encoded when not
// ASCII), a short UTF-8 text naming the receipt number, and the file as a
// Base64 attachment with lines of 76 characters. Lines end in CR LF.
//
// Recipients: each Person of DestInfo names a value (Id) and a catalogue
// type (Type). Type 0, or an Id holding "@", makes the Id the address itself,
// used only when it is a plain one (one "@"; no blank, quote, angle bracket
// or line break; smtp_sender.h IsPlainAddress). Otherwise the data
// source is asked, by type: 1 Customer (cCusCode or cCusName, cCusEmail),
// 2 Person (cPersonCode or cPersonName, cPersonEmail), 3 hr_hi_person
// (cPsn_Num or cPsn_Name, cPsnEmail), 4 UA_User (cUser_Id or cUser_Name,
// cUserEmail); any other type tries those four in that order. Ids no table
// resolves are listed in an "X-Unresolved-Recipients" header; the message is
// written all the same.
//
// Sending: when the registry-value store names a mail server (the values
// under kMailKey, business/smtp_sender.h), the message file, once written, is
// sent as it stands, byte for byte, to every resolved recipient; the envelope
// sender is the Sender value, else the From address, and Sender also stands in
// From for a user without an address. A sent message moves to the "sent"
// folder of the outbox under the same name (numbers are unique across both
// folders). With no server named the message waits in the outbox, as it does
// when sending fails; nothing resends it later.
//
// Show raises VbError when DestInfo is not XML, the file cannot be read or the
// message cannot be written (no earlier message is lost), and, the message
// written and left in the outbox, when a server is named but the values are
// unusable (5), the message has no recipient with an address (5), the build
// has no SMTP support (445) or the server cannot be reached or refuses the
// sender, a recipient, the login or the message (3709). The text names the
// server's reason and the file kept.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "cavra/outside.h"

namespace cavra {

class VoucherMailer final : public IVoucherMailer {
 public:
  void DataSource(DataSourcePtr source) override { source_ = std::move(source); }
  void Show(LoginPtr& login, const std::string& destInfo, const std::string& fileName,
            const std::string& title, const std::string& receiptNo) override;

  std::filesystem::path OutboxFolder() const;
  void OutboxFolder(std::filesystem::path folder) { folder_ = std::move(folder); }
  // The message file the last Show wrote: in the outbox, or in its "sent"
  // folder once sent.
  const std::filesystem::path& LastMessage() const noexcept { return last_; }
  // Whether the last Show handed the message to the mail server. False when
  // no server is configured, and when Show raised.
  bool LastSent() const noexcept { return sent_; }

  // " =?UTF-8?B?...?=" words for text that is not printable ASCII, folded
  // so no line passes 76 characters; text itself otherwise.
  static std::string EncodeHeaderText(const std::string& text);

 private:
  // The e-mail address of a DestInfo entry, "" when none is found.
  std::string Resolve(const std::string& id, const std::string& type);

  DataSourcePtr source_;
  std::filesystem::path folder_;
  std::filesystem::path last_;
  bool sent_ = false;
};

}  // namespace cavra
