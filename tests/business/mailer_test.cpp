// The default mailer: recipients resolved through the database, and a
// message file that a mail reader takes apart again.
#include "business/mailer.h"

#include <gtest/gtest.h>

#include <cstdlib>

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
      "<Person Id='华东精密' Type='7' />");
  EXPECT_EQ(Header(m, "To"),
            "buyer@east.example, wang@cavra.example, direct@mail.example, buyer@east.example");
  EXPECT_EQ(Header(m, "Bcc"), "") << "a stored address cannot add a header";
  EXPECT_NE(Header(m, "X-Unresolved-Recipients"), "");
  EXPECT_EQ(mailer.LastMessage(), dir / "outbox" / "mail-1.eml");
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

}  // namespace
}  // namespace cavra
