// The default mailer: recipients resolved through the database, and a
// message file that a mail reader takes apart again.
#include "business/mailer.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <random>
#include <thread>

#include "business/smtp_sender.h"
#include "platform/registry_store.h"

#include "cavra/error.h"
#include "fakes/fakes.h"
#include "fakes/scratch.h"
#include "fakes/scratch_database.h"
#include "platform/base64.h"

namespace cavra {
namespace {

using testing::ReadFile;
using testing::ScopedEnv;
using testing::ScratchDir;
using testing::WriteFile;

std::string Header(const std::string& message, const std::string& name) {
  const std::string key = "\r\n" + name + ": ";
  const auto at = ("\r\n" + message).find(key);
  if (at == std::string::npos) return "";
  std::string value;
  for (std::size_t i = at + key.size() - 2;;) {
    const auto end = message.find("\r\n", i);
    value += message.substr(i, end - i);
    if (message[end + 2] != ' ') break;
    i = end + 2;
  }
  return value;
}

class Mailer : public ::testing::Test {
 protected:
  void SetUp() override {
    auto& ds = *db.ds;
    ASSERT_TRUE(ds.ExecuteSql("insert into Customer (cCusCode, cCusName, cCusEmail) values (?, ?, ?)",
                              {Variant("C001"), Variant("华东精密"), Variant("buyer@east.example")})
                    .ok());
    ASSERT_TRUE(ds.ExecuteSql("insert into Person (cPersonCode, cPersonName, cPersonEmail) values (?, ?, ?)",
                              {Variant("P0012"), Variant("王明"), Variant("wang@cavra.example")})
                    .ok());
    ASSERT_TRUE(ds.ExecuteSql("insert into Person (cPersonCode, cPersonEmail) values (?, ?)",
                              {Variant("P9"), Variant("evil@x.example\r\nBcc: all@x.example")})
                    .ok());
    WriteFile(attachment, content);
    mailer.DataSource(db.ds);
  }
  std::string Send(const std::string& dest, const std::string& title = "销售订单 SO-1") {
    mailer.Show(login, "<DestInfo>" + dest + "</DestInfo>", attachment.string(), title, "SO2026120001");
    return ReadFile(mailer.LastMessage());
  }

  ScratchDir dir;
  ScopedEnv outbox{"CAVRA_OUTBOX_DIR", dir / "outbox"};
  ScopedEnv registry{"CAVRA_REGISTRY_FILE", dir / "registry.ini"};
  testing::ScratchDatabase db{"sqlite"};
  VoucherMailer mailer;
  LoginPtr login = std::make_shared<testing::FakeLogin>();
  std::filesystem::path attachment = dir / "单据.xml";
  std::string content = std::string("\xFF\xFE<\0x\0/\0>\0", 10) + std::string(200, 'z');
};

TEST_F(Mailer, RecipientsResolveByTypeAndUnknownOrUnsafeOnesAreSetAside) {
  const std::string m = Send(
      "<Person Id='C001' Type='1' />\r\n<Person Id='王明' Type='2' />\r\n<Person Id='C001' Type='2' />\r\n"
      "<Person Id='direct@mail.example' Type='9' />\r\n<Person Id='P9' Type='2' />\r\n"
      "<Person Id='华东精密' Type='7' />\r\n<Person Id='王明' Type='0' />\r\n"
      "<Person Id='zero@mail.example' Type='0' />");
  // Type 0 takes the Id as the address and never asks the database.
  EXPECT_EQ(Header(m, "To"),
            "buyer@east.example, wang@cavra.example, direct@mail.example, buyer@east.example, zero@mail.example");
  EXPECT_EQ(Header(m, "Bcc"), "") << "a stored address cannot add a header";
  EXPECT_NE(Header(m, "X-Unresolved-Recipients"), "");
  EXPECT_EQ(mailer.LastMessage(), dir / "outbox" / "mail-1.eml");
  EXPECT_FALSE(mailer.LastSent());
  Send("");
  EXPECT_EQ(mailer.LastMessage(), dir / "outbox" / "mail-2.eml") << "no message is overwritten";
}

TEST_F(Mailer, TheMessageIsMimeWithAnEncodedSubjectAndAWrappedBase64Attachment) {
  const std::string m = Send("<Person Id='C001' Type='1' />");
  // Every line ends in CR LF and none passes 76 characters.
  for (std::size_t at = 0, end; at < m.size(); at = end + 2) {
    end = m.find('\n', at);
    ASSERT_NE(end, std::string::npos);
    ASSERT_EQ(m[end - 1], '\r');
    --end;
    EXPECT_LE(end - at, 76u) << m.substr(at, end - at);
  }
  const std::string subject = Header(m, "Subject");
  ASSERT_EQ(subject.rfind("=?UTF-8?B?", 0), 0u) << subject;
  std::string decoded;
  for (std::size_t at = 0; (at = subject.find("=?UTF-8?B?", at)) != std::string::npos;) {
    const auto end = subject.find("?=", at + 10);
    const auto bytes = Base64Decode(subject.substr(at + 10, end - at - 10));
    ASSERT_TRUE(bytes);
    decoded.append(bytes->begin(), bytes->end());
    at = end;
  }
  EXPECT_EQ(decoded, "销售订单 SO-1");
  EXPECT_EQ(Header(m, "MIME-Version"), "1.0");
  EXPECT_NE(Header(m, "Date"), "");

  const std::string type = Header(m, "Content-Type");
  const std::string boundary =
      type.substr(type.find("boundary=\"") + 10, type.size() - type.find("boundary=\"") - 11);
  const auto part = m.find("filename*=UTF-8''%E5%8D%95%E6%8D%AE.xml\r\n");
  ASSERT_NE(part, std::string::npos);
  const auto body = m.find("\r\n\r\n", part) + 4;
  const auto close = m.find("--" + boundary + "--\r\n", body);
  ASSERT_NE(close, std::string::npos);
  const auto bytes = Base64Decode(m.substr(body, close - body));
  ASSERT_TRUE(bytes);
  EXPECT_EQ(std::string(bytes->begin(), bytes->end()), content);

  // A mail reader agrees, where python3 is at hand.
  if (std::system("python3 -c 'import email' 2>/dev/null") != 0) return;
  const auto script = dir / "check.py";
  WriteFile(
      script,
      "import sys, email, email.policy\n"
      "m = email.message_from_binary_file(open(sys.argv[1], 'rb'), policy=email.policy.default)\n"
      "a = [p for p in m.iter_attachments()]\n"
      "ok = (m['Subject'] == '销售订单 SO-1' and m['To'] == 'buyer@east.example' and len(a) == 1\n"
      "      and a[0].get_filename() == '单据.xml' and a[0].get_content() == open(sys.argv[2], 'rb').read()\n"
      "      and not m.defects)\n"
      "sys.exit(0 if ok else 1)\n");
  const std::string cmd = "python3 '" + script.string() + "' '" + mailer.LastMessage().string() + "' '" +
                          attachment.string() + "'";
  EXPECT_EQ(std::system(cmd.c_str()), 0);
}

TEST_F(Mailer, BadInputRaisesAndWritesNothing) {
  EXPECT_THROW(mailer.Show(login, "<DestInfo><Person", attachment.string(), "t", "r"), VbError);
  EXPECT_THROW(mailer.Show(login, "<DestInfo/>", (dir / "none.xml").string(), "t", "r"), VbError);
  EXPECT_FALSE(std::filesystem::exists(dir / "outbox" / "mail-1.eml"));
  // A data source that answers nothing leaves every recipient unresolved.
  mailer.DataSource(std::make_shared<testing::FakeDataSource>());
  const std::string m = Send("<Person Id='C001' Type='1' />", "plain title");
  EXPECT_EQ(Header(m, "To"), "");
  EXPECT_EQ(Header(m, "X-Unresolved-Recipients"), "C001");
  EXPECT_EQ(Header(m, "Subject"), "plain title");
}

TEST(MailerHeaderText, EncodedWordsNeverCutACharacter) {
  const std::string title(60, 'a');
  EXPECT_EQ(VoucherMailer::EncodeHeaderText(title), title);
  std::string chinese;
  for (int i = 0; i < 30; ++i) chinese += "订";
  const std::string enc = VoucherMailer::EncodeHeaderText(chinese);
  std::string back;
  for (std::size_t at = 0; (at = enc.find("=?UTF-8?B?", at)) != std::string::npos;) {
    const auto end = enc.find("?=", at + 10);
    const auto bytes = Base64Decode(enc.substr(at + 10, end - at - 10));
    ASSERT_TRUE(bytes);
    EXPECT_EQ(bytes->size() % 3, 0u) << "a word holds whole characters";
    back.append(bytes->begin(), bytes->end());
    at = end;
  }
  EXPECT_EQ(back, chinese);
  EXPECT_NE(VoucherMailer::EncodeHeaderText("a\r\nBcc: x"), "a\r\nBcc: x");
}

// Mail settings that cannot be used stop the sending but never the message.
TEST_F(Mailer, UnusableMailSettingsKeepTheMessageInTheOutbox) {
  struct Case {
    const char* name;
    const char* value;
  } const cases[] = {
      {"Server", "mail.example/evil?x"}, {"Server", "user@mail.example"}, {"Server", "mail.example:25"},
      {"Port", "0"},       {"Port", "25x"},       {"Tls", "ssl"},
      {"Timeout", "0"},    {"Sender", "a b@example.com"},   {"Sender", "<a@example.com>"},
  };
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.name) + " = " + c.value);
    ASSERT_TRUE(registry::WriteValue(kMailKey, "Server", "127.0.0.1"));
    ASSERT_TRUE(registry::WriteValue(kMailKey, c.name, c.value));
    try {
      Send("<Person Id='C001' Type='1' />");
      ADD_FAILURE() << "no error";
    } catch (const VbError& e) {
      EXPECT_EQ(e.number(), err::kInvalidCall);
      EXPECT_NE(e.description().find(c.name), std::string::npos) << e.description();
    }
    const auto kept = dir / "outbox" / ("mail-" + std::to_string(++n) + ".eml");
    EXPECT_EQ(mailer.LastMessage(), kept);
    EXPECT_TRUE(std::filesystem::exists(kept));
    std::filesystem::remove(dir / "registry.ini");
  }
  // No server named: the message waits, and that is no error.
  ASSERT_TRUE(registry::WriteValue(kMailKey, "Port", "25"));
  EXPECT_NO_THROW(Send("<Person Id='C001' Type='1' />"));
  EXPECT_EQ(mailer.LastMessage().parent_path(), dir / "outbox");
}

#ifdef CAVRA_WITH_SMTP

bool HaveAiosmtpd() { return std::system("/usr/bin/python3 -c 'import aiosmtpd' 2>/dev/null") == 0; }

// smtp_sink.py in a child process, on a free port of 127.0.0.1.
class SmtpSink {
 public:
  SmtpSink(std::filesystem::path folder, std::vector<std::string> options) : folder_(std::move(folder)) {
    std::filesystem::create_directories(folder_);
    std::vector<std::string> args = {"/usr/bin/python3", CAVRA_SMTP_SINK, folder_.string()};
    args.insert(args.end(), options.begin(), options.end());
    pid_ = ::fork();
    if (pid_ == 0) {
      // Its complaints about what the tests make clients do go to a file.
      const std::string errors = (folder_ / "stderr").string();
      if (std::FILE* f = std::freopen(errors.c_str(), "w", stderr); !f) ::_exit(127);
      std::vector<char*> argv;
      for (auto& a : args) argv.push_back(a.data());
      argv.push_back(nullptr);
      ::execv(argv[0], argv.data());
      ::_exit(127);
    }
    for (int i = 0; i < 500 && port_ == 0; ++i) {
      if (const std::string p = ReadFile(folder_ / "port"); !p.empty()) port_ = std::stoi(p);
      else if (::waitpid(pid_, nullptr, WNOHANG) == pid_) pid_ = -1, i = 500;
      else std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
  }
  ~SmtpSink() {
    if (pid_ > 0) {
      ::kill(pid_, SIGTERM);
      ::waitpid(pid_, nullptr, 0);
    }
  }
  int port() const { return port_; }
  std::string Log() const { return ReadFile(folder_ / "log"); }
  std::string Received(int n) const { return ReadFile(folder_ / ("msg-" + std::to_string(n) + ".eml")); }

 private:
  std::filesystem::path folder_;
  pid_t pid_ = -1;
  int port_ = 0;
};

// A socket on 127.0.0.1 that listens, or with listen false a port just freed.
struct Listener {
  int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  int port = 0;
  explicit Listener(bool listen) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&a), len) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len) == 0)
      port = ntohs(a.sin_port);
    if (listen) ::listen(fd, 4);
  }
  ~Listener() { ::close(fd); }
};

std::string AttachmentOf(const std::string& m) {
  const auto part = m.find("Content-Disposition: attachment;");
  const auto body = m.find("\r\n\r\n", part) + 4;
  const auto bytes = Base64Decode(m.substr(body, m.find("\r\n--", body) - body));
  return bytes ? std::string(bytes->begin(), bytes->end()) : "(not Base64)";
}

class MailerSmtp : public Mailer {
 protected:
  void SetUp() override {
    if (!HaveAiosmtpd()) GTEST_SKIP() << "/usr/bin/python3 has no aiosmtpd";
    Mailer::SetUp();
    // Large enough for the upload to take many reads, with every byte value.
    std::mt19937 random(7);
    content.resize(300000);
    for (char& c : content) c = static_cast<char>(random());
    WriteFile(attachment, content);
  }
  void Configure(int port, const char* sender = "orders@cavra.example") {
    ASSERT_TRUE(registry::WriteValue(kMailKey, "Server", "127.0.0.1"));
    ASSERT_TRUE(registry::WriteValue(kMailKey, "Port", std::to_string(port)));
    ASSERT_TRUE(registry::WriteValue(kMailKey, "Sender", sender));
    ASSERT_TRUE(registry::WriteValue(kMailKey, "Timeout", "5"));
  }
  // Show, expecting it to fail with number; the message must wait in the outbox.
  std::string SendFails(const std::string& dest, std::int32_t number) {
    try {
      Send(dest);
    } catch (const VbError& e) {
      EXPECT_EQ(e.number(), number) << e.description();
      EXPECT_FALSE(mailer.LastSent());
      EXPECT_EQ(mailer.LastMessage().parent_path(), dir / "outbox");
      EXPECT_NE(e.description().find(mailer.LastMessage().string()), std::string::npos) << e.description();
      EXPECT_NE(ReadFile(mailer.LastMessage()).find("Content-Disposition: attachment;"), std::string::npos);
      return e.description();
    }
    ADD_FAILURE() << "sent";
    return "";
  }
};

TEST_F(MailerSmtp, TheServerReceivesTheOutboxFileByteForByteAndItMovesToSent) {
  SmtpSink sink(dir / "sink", {});
  ASSERT_NE(sink.port(), 0);
  Configure(sink.port());
  const std::string m =
      Send("<Person Id='C001' Type='1' /><Person Id='王明' Type='2' /><Person Id='nobody' Type='2' />");
  EXPECT_EQ(mailer.LastMessage(), dir / "outbox" / "sent" / "mail-1.eml");
  EXPECT_TRUE(mailer.LastSent());
  EXPECT_FALSE(std::filesystem::exists(dir / "outbox" / "mail-1.eml"));
  EXPECT_EQ(sink.Log(),
            "MAIL orders@cavra.example\nRCPT buyer@east.example\nRCPT wang@cavra.example\nDATA 1\n");
  // The sink keeps the DATA bytes as they came, so CR LF and size are compared too.
  EXPECT_TRUE(sink.Received(1) == m) << "received " << sink.Received(1).size() << " bytes of " << m.size();
  EXPECT_TRUE(AttachmentOf(sink.Received(1)) == content);
  EXPECT_EQ(Header(m, "From"), "\"demo\" <orders@cavra.example>") << "the sender stands in for an address";

  // Numbers stay unique across the outbox and sent/.
  Send("<Person Id='C001' Type='1' />");
  EXPECT_EQ(mailer.LastMessage(), dir / "outbox" / "sent" / "mail-2.eml");
  EXPECT_TRUE(sink.Received(2) == ReadFile(mailer.LastMessage()));
}

// Lines that begin with a dot must be stuffed on the wire, or a lone dot ends
// the message early.
TEST_F(MailerSmtp, DotsAtLineStartsSurviveTheTrip) {
  SmtpSink sink(dir / "sink", {});
  ASSERT_NE(sink.port(), 0);
  Configure(sink.port());
  const std::string m = "Subject: dots\r\n\r\n.\r\n..two\r\n.end\r\nlast\r\n";
  const SmtpSettings s = ReadSmtpSettings();
  ASSERT_EQ(s.problem, "");
  EXPECT_EQ(SendSmtp(s, "a@cavra.example", {"b@cavra.example"}, m), "");
  EXPECT_EQ(sink.Received(1), m);
}

TEST_F(MailerSmtp, AFailedSendLosesNoMessage) {
  {
    SCOPED_TRACE("nothing listens");
    Listener closed(false);
    Configure(closed.port);
    ::close(closed.fd);
    closed.fd = -1;
    SendFails("<Person Id='C001' Type='1' />", err::kConnection);
  }
  {
    SCOPED_TRACE("a server that never greets");
    Listener silent(true);
    Configure(silent.port);
    ASSERT_TRUE(registry::WriteValue(kMailKey, "Timeout", "1"));
    SendFails("<Person Id='C001' Type='1' />", err::kConnection);
  }
  {
    SCOPED_TRACE("a server that never confirms the message");
    SmtpSink stalling(dir / "stalling", {"--stall"});
    ASSERT_NE(stalling.port(), 0);
    Configure(stalling.port());
    ASSERT_TRUE(registry::WriteValue(kMailKey, "Timeout", "1"));
    // Not a speed check: without the bound, libcurl waits 120 s for a reply.
    const auto start = std::chrono::steady_clock::now();
    SendFails("<Person Id='C001' Type='1' />", err::kConnection);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(60));
  }
  {
    SCOPED_TRACE("a refused recipient");
    SmtpSink sink(dir / "refusing", {"--refuse", "wang@cavra.example"});
    ASSERT_NE(sink.port(), 0);
    Configure(sink.port());
    const std::string why = SendFails("<Person Id='C001' Type='1' /><Person Id='P0012' Type='2' />",
                                      err::kConnection);
    EXPECT_NE(why.find("550"), std::string::npos) << why;
    EXPECT_EQ(sink.Log().find("DATA"), std::string::npos);
  }
  {
    SCOPED_TRACE("no recipient with an address");
    SmtpSink sink(dir / "idle", {});
    Configure(sink.port());
    SendFails("<Person Id='nobody' Type='1' />", err::kInvalidCall);
    EXPECT_EQ(sink.Log(), "");
  }
  EXPECT_EQ(mailer.LastMessage(), dir / "outbox" / "mail-5.eml");
  EXPECT_FALSE(std::filesystem::exists(dir / "outbox" / "sent"));
}

TEST_F(MailerSmtp, TheLoginIsCheckedByTheServer) {
  SmtpSink sink(dir / "sink", {"--login", "clerk:s3cret "});
  ASSERT_NE(sink.port(), 0);
  Configure(sink.port());
  SendFails("<Person Id='C001' Type='1' />", err::kConnection);  // no login at all
  ASSERT_TRUE(registry::WriteValue(kMailKey, "User", "clerk"));
  ASSERT_TRUE(registry::WriteValue(kMailKey, "Password", "s3cret"));
  SendFails("<Person Id='C001' Type='1' />", err::kConnection);
  EXPECT_EQ(sink.Log().find("DATA"), std::string::npos);
  ASSERT_TRUE(registry::WriteValue(kMailKey, "Password", "s3cret "));
  Send("<Person Id='C001' Type='1' />");
  EXPECT_EQ(mailer.LastMessage(), dir / "outbox" / "sent" / "mail-3.eml");
  EXPECT_TRUE(sink.Received(1) == ReadFile(mailer.LastMessage()));
}

// Addresses are taken whole or not at all: what a quote or a line break would
// add never reaches the header or the SMTP dialogue.
TEST_F(MailerSmtp, AnAddressCannotInjectHeadersOrCommands) {
  SmtpSink sink(dir / "sink", {});
  ASSERT_NE(sink.port(), 0);
  Configure(sink.port());
  const std::string m = Send(
      "<Person Id='x@cavra.example&gt;&#13;&#10;RCPT TO:&lt;evil@x.example' Type='9' />"
      "<Person Id='\"q\"@cavra.example' Type='9' />"
      "<Person Id='y@cavra.example&#13;&#10;Bcc: evil@x.example' Type='0' />"
      "<Person Id='P9' Type='2' /><Person Id='C001' Type='1' />");
  EXPECT_EQ(sink.Log(), "MAIL orders@cavra.example\nRCPT buyer@east.example\nDATA 1\n");
  const std::string got = sink.Received(1);
  EXPECT_EQ(Header(got, "Bcc"), "");
  EXPECT_EQ(got.find("\r\nRCPT"), std::string::npos);
  EXPECT_EQ(Header(got, "To"), "buyer@east.example");
  EXPECT_TRUE(got == m);
}

TEST_F(MailerSmtp, StartTlsIsRequiredAndTheCertificateChecked) {
  if (std::system("openssl version >/dev/null 2>&1") != 0) GTEST_SKIP() << "no openssl to make a certificate";
  const auto cert = dir / "cert.pem", key = dir / "key.pem";
  const std::string make = "openssl req -x509 -newkey rsa:2048 -nodes -days 1 -subj /CN=localhost"
                           " -addext subjectAltName=IP:127.0.0.1 -keyout '" + key.string() + "' -out '" +
                           cert.string() + "' >/dev/null 2>&1";
  ASSERT_EQ(std::system(make.c_str()), 0);
  {
    SCOPED_TRACE("a server without STARTTLS");
    SmtpSink plain(dir / "plain", {});
    Configure(plain.port());
    ASSERT_TRUE(registry::WriteValue(kMailKey, "Tls", "starttls"));
    ASSERT_TRUE(registry::WriteValue(kMailKey, "CaFile", cert.string()));
    SendFails("<Person Id='C001' Type='1' />", err::kConnection);
    EXPECT_EQ(plain.Log(), "");
  }
  SmtpSink sink(dir / "sink", {"--cert", cert.string(), "--key", key.string()});
  ASSERT_NE(sink.port(), 0);
  Configure(sink.port());
  {
    SCOPED_TRACE("a certificate nobody vouches for");
    ASSERT_TRUE(registry::WriteValue(kMailKey, "CaFile", ""));
    SendFails("<Person Id='C001' Type='1' />", err::kConnection);
    EXPECT_EQ(sink.Log(), "");
  }
  ASSERT_TRUE(registry::WriteValue(kMailKey, "CaFile", cert.string()));
  const std::string m = Send("<Person Id='C001' Type='1' />");
  EXPECT_EQ(sink.Log(), "MAIL orders@cavra.example\nRCPT buyer@east.example\nDATA 1\n");
  EXPECT_TRUE(sink.Received(1) == m);
}

#endif  // CAVRA_WITH_SMTP

}  // namespace
}  // namespace cavra
