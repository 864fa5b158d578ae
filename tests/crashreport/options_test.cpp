#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "crashreport/options.h"
#include "crashreport/report/system_utils.h"
#include "options_fixture.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/streams.h"

namespace lab {
namespace {

using testing::ExpectSameOptions;
using testing::FillEveryField;

std::string Saved(TCrashModuleOptions& o) {
  TStringStream s;
  o.SaveToStream(&s);
  return s.DataString();
}

void Load(TCrashModuleOptions& o, const std::string& bytes, int version = kOptionsStreamVersion) {
  TStringStream s(bytes);
  o.LoadFromStream(&s, version);
}

// Counts Changed; its options belong to the running program.
class TCountingOptions : public TCrashModuleOptions {
 public:
  explicit TCountingOptions(bool shared = true) : TCrashModuleOptions(GetModuleFullName(nullptr), shared) {}
  void Changed() override { ++changes; }
  void SetFreezeActive(bool Value) override {
    ++freeze_calls;
    TCrashModuleOptions::SetFreezeActive(Value);
  }
  int changes = 0;
  int freeze_calls = 0;
};

TEST(CrashOptions, DefaultsAndTexts) {
  TCrashModuleOptions o("/opt/app/prog", false);
  EXPECT_EQ(o.ModuleName(), "/opt/app/prog");
  EXPECT_FALSE(o.Shared());
  EXPECT_EQ(o.UpdateCount(), 0);
  EXPECT_EQ(o.SMTPPort(), 25);
  EXPECT_EQ(o.SMTPFrom(), kDefaultSMTPFrom);
  EXPECT_EQ(o.TerminateAction(), 1);
  EXPECT_FALSE(o.FreezeActive());
  EXPECT_EQ(o.FreezeTimeout(), 60);
  EXPECT_EQ(o.FreezeMessage(), "The application seems to be frozen.");
  EXPECT_EQ(o.ReportItems(), 0xFF'FFFF'FFFFu);
  EXPECT_TRUE(o.ExceptionFiltersActive());
  EXPECT_TRUE(o.TerminateAfterErrors());
  EXPECT_TRUE(o.SaveLogFile());
  EXPECT_EQ(o.LogFlags(), 0x30);
  EXPECT_EQ(o.SendFlags(), 0x0051);
  EXPECT_EQ(o.MaxLogEntries(), 32);
  EXPECT_EQ(o.ErrorsBeforeTerminate(), 3);
  EXPECT_EQ(o.DialogOptions(), 0x1F);
  EXPECT_EQ(o.ErrorFrequencyAction(), 1);
  EXPECT_EQ(o.ErrorFrequencyCount(), 10);
  EXPECT_EQ(o.ErrorFrequencyMinutes(), 1);
  EXPECT_EQ(o.CallStackOptions(), 0x0F);
  EXPECT_EQ(o.BehaviourFlags(), 0x30);
  EXPECT_TRUE(o.Active());
  EXPECT_EQ(o.WebPort(), 0);
  EXPECT_EQ(o.ExceptionFilterClasses()->Count(), 0);

  for (int i = 0; i < kCustomizedTextCount; ++i) ASSERT_NE(kDefaultCustomizedTexts[i], nullptr) << i;
  EXPECT_EQ(o.GetCustomizedText(3),
            "An error has occurred during program execution.\r\nPlease read the following information for "
            "further details.");
  const std::pair<int, const char*> spots[] = {
      {0, "Information."}, {21, "Go to the Support Page"}, {22, "Application"}, {46, "System Up Time"},
      {50, "Type"},        {61, "Custom Information"},     {62, "Address"},     {67, "Line"},
      {68, "Main"},        {74, "Class"},                  {75, "Send."},       {80, "Sending message..."},
      {83, "&OK"},         {84, "Handle"},                 {90, "Path"},        {93, "Memory Dump"},
      {95, "Sorry, sending the message didn't work."}};
  for (auto [index, text] : spots) EXPECT_EQ(o.GetCustomizedText(static_cast<std::uint8_t>(index)), text) << index;
  EXPECT_THROW(o.GetCustomizedText(96), EListError);
  EXPECT_EQ(kReportHeaderFields.front(), std::string("Application|Start Date"));
  EXPECT_EQ(kReportHeaderFields.back(), std::string("Network|DHCP"));

  const std::string html = o.HTMLTemplate();
  EXPECT_EQ(html.substr(0, 8), "<html>\r\n");
  EXPECT_EQ(html.substr(html.size() - 7), "</html>");
  EXPECT_NE(html.find("    <table width=\"100%\" border=\"0\">\r\n"), std::string::npos);
  int lines = 1;
  for (std::size_t at = 0; (at = html.find("\r\n", at)) != std::string::npos; at += 2) ++lines;
  EXPECT_EQ(lines, 15);

  o.SetMaxLogEntries(0);
  EXPECT_EQ(o.MaxLogEntries(), 1);
}

TEST(CrashOptions, StreamRoundTripOfEveryFieldAndFrozenBytes) {
  TCrashModuleOptions source("prog", false);
  FillEveryField(source);
  const std::string bytes = Saved(source);

  std::ifstream golden(std::string(LAB_TEST_DATA_DIR) + "/crashreport/options.bin", std::ios::binary);
  const std::string expected{std::istreambuf_iterator<char>(golden), std::istreambuf_iterator<char>()};
  EXPECT_EQ(bytes, expected);
  // The first fields, byte by byte: flags, LogFlags, the time-out, then a masked text.
  ASSERT_GT(bytes.size(), 20u);
  EXPECT_EQ(bytes.substr(0, 11), std::string("\x01\x00\xCF\x01\x00\x03\x01\x2D\x00\x00\x00", 11));
  EXPECT_EQ(bytes.substr(11, 4), std::string("\x0E\x00\x00\x00", 4));
  EXPECT_EQ(static_cast<std::uint8_t>(bytes[15]), 'F' ^ kOptionsTextMask);

  TCrashModuleOptions target("other", false);
  Load(target, bytes);
  ExpectSameOptions(source, target);
  EXPECT_EQ(target.ModuleName(), "other");
  EXPECT_EQ(Saved(target), bytes);

  // Defaults survive the trip as well.
  TCrashModuleOptions defaults("prog", false), fresh("prog", false);
  fresh.SetSMTPPort(1);
  Load(fresh, Saved(defaults));
  ExpectSameOptions(defaults, fresh);
}

TEST(CrashOptions, TextsLoseOnlyASingleFinalLineBreak) {
  TCrashModuleOptions o("prog", false), back("prog", false);
  o.SetEmailSubject("Subject\r\n");
  o.SetEmailMessage("Line 1\r\nLine 2\r\n");
  o.SetFreezeMessage("\r\n");
  o.SetSMTPHost("\n");
  o.CustomizedTexts()[5] = "Header\r\n";
  Load(back, Saved(o));
  EXPECT_EQ(back.EmailSubject(), "Subject");
  EXPECT_EQ(back.EmailMessage(), "Line 1\r\nLine 2\r\n");  // its first break is not the last
  EXPECT_EQ(back.FreezeMessage(), "");
  EXPECT_EQ(back.SMTPHost(), "\n");
  EXPECT_EQ(back.GetCustomizedText(5), "Header");
}

TEST(CrashOptions, FilterListsAreStoredAsPairsOfTheLongerLength) {
  TCrashModuleOptions o("prog", false), back("prog", false);
  for (const char* s : {"EA", "EB", "EC"}) o.ExceptionFilterClasses()->Add(s);
  for (const char* s : {"1", "2", "3", "4", "5"}) o.ExceptionFilterSettings()->Add(s);
  back.ExceptionFilterClasses()->Add("old");
  Load(back, Saved(o));
  EXPECT_EQ(back.ExceptionFilterClasses()->Text(), "EA\r\nEB\r\nEC\r\n\r\n\r\n");
  EXPECT_EQ(back.ExceptionFilterSettings()->Text(), "1\r\n2\r\n3\r\n4\r\n5\r\n");
}

TEST(CrashOptions, ChangeNotification) {
  TCountingOptions o;
  EXPECT_EQ(o.changes, 0);  // construction does not call the override
  o.SetSMTPHost("host");
  EXPECT_EQ(o.changes, 1);
  o.ExceptionFilterClasses()->Add("EAbort");
  EXPECT_EQ(o.changes, 2);
  o.BeginUpdate();
  o.SetWebPort(1);
  o.SetActive(false);
  o.EndUpdate();
  EXPECT_EQ(o.changes, 2);  // EndUpdate alone does not notify
  o.NotifyChange();
  EXPECT_EQ(o.changes, 3);
  o.SetDefaults();
  EXPECT_EQ(o.changes, 4);  // once for the whole bulk change
  Load(o, Saved(o));
  EXPECT_EQ(o.changes, 5);

  TCountingOptions unshared(false);
  unshared.SetSMTPHost("host");
  EXPECT_EQ(unshared.changes, 0);
  TCountingOptions elsewhere;
  elsewhere.SetModuleName("/usr/lib/other-program");
  elsewhere.SetSMTPHost("host");
  EXPECT_EQ(elsewhere.changes, 0);
  // A bare file name finds the running module as the loader would.
  elsewhere.SetModuleName(GetModuleFullName(nullptr).substr(GetModuleFullName(nullptr).rfind('/') + 1));
  EXPECT_EQ(elsewhere.changes, 1);
}

TEST(CrashOptions, AssignCopiesAllButIdentityAndNotifiesOnce) {
  TCountingOptions target;
  EXPECT_THROW(target.Assign(nullptr), EConvertError);
  try {
    target.Assign(nullptr);
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "Impossible to assign nil as TCrashModuleOptions.");
  }
  target.Assign(&target);
  EXPECT_EQ(target.changes, 0);

  TCrashModuleOptions source("/elsewhere/prog", true);
  FillEveryField(source);
  source.SetActive(false);
  target.Assign(&source);
  ExpectSameOptions(source, target);
  EXPECT_TRUE(target.Active());
  EXPECT_EQ(target.ModuleName(), GetModuleFullName(nullptr));
  EXPECT_EQ(target.changes, 1);
  EXPECT_EQ(target.freeze_calls, 1);  // through the overridable setter
  EXPECT_EQ(target.UpdateCount(), 0);
}

// A stream written by hand, field by field.
class TBytes {
 public:
  TBytes& U8(int v) { s_ += static_cast<char>(v); return *this; }
  TBytes& U16(int v) { return U8(v & 0xFF).U8(v >> 8); }
  TBytes& U32(std::uint32_t v) { return U16(static_cast<int>(v & 0xFFFF)).U16(static_cast<int>(v >> 16)); }
  TBytes& Text(const std::string& t) {
    U32(static_cast<std::uint32_t>(t.size()));
    for (char c : t) s_ += static_cast<char>(c ^ kOptionsTextMask);
    return *this;
  }
  const std::string& str() const { return s_; }

 private:
  std::string s_;
};

// The texts an old stream leaves out, as listed for each version.
std::set<int> MissingTexts(int version) {
  std::set<int> missing;
  auto add = [&](std::initializer_list<int> list) { missing.insert(list); };
  auto range = [&](int a, int b) { for (int i = a; i <= b; ++i) missing.insert(i); };
  if (version < 420) add({17});
  if (version < 421) add({16});
  if (version < 450) {
    range(8, 11);
    range(18, 20);
    add({26, 41, 47, 48, 52});
    range(75, 95);
  }
  if (version < 500) {
    add({12, 13, 21, 27, 89, 94, 95});
    range(46, 48);
    range(54, 61);
    range(68, 74);
  }
  return missing;
}

void AppendTexts(TBytes& b, int version) {
  const std::set<int> missing = MissingTexts(version);
  for (int i = 0; i < kCustomizedTextCount; ++i)
    if (!missing.count(i)) b.Text("Old " + std::to_string(i));
}

void ExpectTexts(const TCrashModuleOptions& o, int version) {
  const std::set<int> missing = MissingTexts(version);
  for (int i = 0; i < kCustomizedTextCount; ++i)
    EXPECT_EQ(o.CustomizedTexts()[i], missing.count(i) ? kDefaultCustomizedTexts[i] : "Old " + std::to_string(i))
        << "text " << i << " of version " << version;
}

// The documented re-mapping: the 40 bits as characters, three cuts, read back.
std::uint64_t RemapByText(std::uint64_t items) {
  std::string bits;
  for (int i = 0; i < 40; ++i) bits += (items >> i) & 1 ? '1' : '0';
  bits.erase(4, 1);
  bits.erase(19, 3);
  bits.erase(23, 5);
  std::uint64_t result = 0;
  for (int i = 0; i < 31; ++i)
    if (bits[i] == '1') result |= std::uint64_t{1} << i;
  return result;
}

TEST(CrashOptions, Version421StreamConvertsTimeoutAndMailModes) {
  TBytes b;
  b.U8(1).U8(0).U8(0x0C);      // StoredFlag, filters, LogFlags
  b.U8(1);                     // show-exception byte, inverted below 450: clears bit 0
  b.U8(1);                     // ReportInMessageBody
  b.U8(0).U8(2);               // SaveLogFile, DialogFirstPage
  b.U8(1);                     // bit 7 of DialogOptions (from 403)
  b.U8(1).U32(60000).Text("Frozen!");  // freeze: time-out in milliseconds below 422
  b.Text("smtp.example");      // SMTPHost (SMTPFrom and SMTPPort only from 450)
  b.Text("user").Text("pw").U8(0);     // from 421
  b.U8(0).U32(9).U32(4);       // TerminateAfterErrors, MaxLogEntries, ErrorsBeforeTerminate
  b.Text("to@example").Text("Subject");
  b.U8(1);                     // a mail mode: SMTP, since a host is set
  b.U32(0x89ABCDEF).U8(0x77);  // 32 report items, then one more byte below 450
  b.Text("/logs");
  b.U32(1).Text("EFoo").Text("shown");
  b.Text("Body");
  AppendTexts(b, 421);

  TCrashModuleOptions o("prog", false);
  o.SetReportItems(0x5A'0000'0000);  // the fifth byte as it stood before loading
  Load(o, b.str(), 421);
  EXPECT_TRUE(o.StoredFlag());
  EXPECT_EQ(o.LogFlags(), 0x0C);
  EXPECT_EQ(o.DialogOptions(), 0x9E);
  EXPECT_TRUE(o.ReportInMessageBody());
  EXPECT_EQ(o.SendFlags(), 0x0051);  // untouched below 450
  EXPECT_EQ(o.DialogFirstPage(), 2);
  EXPECT_TRUE(o.FreezeActive());
  EXPECT_EQ(o.FreezeTimeout(), 60);
  EXPECT_EQ(o.FreezeMessage(), "Frozen!");
  EXPECT_EQ(o.SMTPFrom(), kDefaultSMTPFrom);
  EXPECT_EQ(o.SMTPHost(), "smtp.example");
  EXPECT_EQ(o.SMTPPort(), 25);
  EXPECT_EQ(o.SMTPUserID(), "user");
  EXPECT_EQ(o.TerminateAction(), 0);
  EXPECT_EQ(o.MaxLogEntries(), 9);
  EXPECT_EQ(o.EmailSendMode(), 2);
  EXPECT_EQ(o.ReportItems(), RemapByText(0x5A'89AB'CDEF));
  EXPECT_EQ(o.ReportItems() >> 23, 0x5Au);  // bits 23 to 30 from the fifth byte
  EXPECT_EQ(o.LogFilePath(), "/logs");
  EXPECT_EQ(o.WebURL(), "");
  EXPECT_EQ(o.ExceptionFilterClasses()->Text(), "EFoo\r\n");
  EXPECT_EQ(o.EmailMessage(), "Body");
  ExpectTexts(o, 421);

  // One version later the time-out is already in seconds.
  TCrashModuleOptions later("prog", false);
  Load(later, b.str(), 422);
  EXPECT_EQ(later.FreezeTimeout(), 60000);
}

TEST(CrashOptions, Version401And460Streams) {
  // 401: no freeze or SMTP fields, no bit-7 byte, mail mode 1 without a host.
  TBytes old;
  old.U8(0).U8(1).U8(0x30).U8(0).U8(0).U8(1).U8(4);
  old.U8(1).U32(32).U32(3).Text("").Text("").U8(5);
  old.U32(0xFFFFFFFF).U8(0).Text("");
  old.U32(0).Text("");
  AppendTexts(old, 401);
  TCrashModuleOptions o401("prog", false);
  Load(o401, old.str(), 401);
  EXPECT_EQ(o401.DialogOptions(), 0x1F);  // byte 0 inverted: bit 0 set
  EXPECT_EQ(o401.DialogFirstPage(), 4);
  EXPECT_EQ(o401.EmailSendMode(), 1);
  EXPECT_EQ(o401.FreezeTimeout(), 60);
  EXPECT_EQ(o401.ReportItems(), 0x7FFF'FFFFu);
  ExpectTexts(o401, 401);

  // 460: the show byte keeps its sense, three send-flag bytes, SMTPFrom and SMTPPort present.
  TBytes mid;
  mid.U8(0).U8(1).U8(0x30).U8(1).U8(0);  // the show byte keeps its sense
  mid.U8(1).U8(0).U8(1);                 // SendFlags bits 2, 4, 0
  mid.U8(1).U8(0).U8(0);  // SaveLogFile, DialogFirstPage, bit 7
  mid.U8(0).U32(30).Text("Stuck.").Text("me@example").Text("").U16(587);
  mid.Text("").Text("").U8(1);
  mid.U8(1).U32(32).U32(3).Text("").Text("").U8(1);  // mail mode kept from 450 on
  mid.U32(0x0000000F);    // no extra byte from 450 on
  mid.Text("");
  mid.U32(0).Text("");
  AppendTexts(mid, 460);
  TCrashModuleOptions o460("prog", false);
  Load(o460, mid.str(), 460);
  EXPECT_EQ(o460.DialogOptions(), 0x1F);
  EXPECT_EQ(o460.SendFlags(), 0x0045);  // bit 2 set, bit 4 cleared, bit 0 set, bit 6 as before
  EXPECT_EQ(o460.FreezeTimeout(), 30);
  EXPECT_EQ(o460.SMTPFrom(), "me@example");
  EXPECT_EQ(o460.SMTPPort(), 587);
  EXPECT_EQ(o460.EmailSendMode(), 1);
  EXPECT_EQ(o460.ReportItems(), RemapByText(0xFF'0000'000F));
  ExpectTexts(o460, 460);
}

TEST(CrashOptions, DamagedStreamsRaiseTheReadErrorAndKeepWhatWasRead) {
  TCrashModuleOptions source("prog", false);
  FillEveryField(source);
  const std::string bytes = Saved(source);

  // FreezeMessage's length turned negative, then past the end.
  for (std::uint32_t length : {0xFFFFFFFFu, 0x7FFFFFF0u, static_cast<std::uint32_t>(bytes.size())}) {
    std::string damaged = bytes;
    std::memcpy(damaged.data() + 11, &length, 4);
    TCrashModuleOptions o("prog", false);
    EXPECT_THROW(Load(o, damaged), EReadError) << length;
    EXPECT_TRUE(o.StoredFlag());            // read before the damage
    EXPECT_EQ(o.FreezeTimeout(), 45);
    EXPECT_EQ(o.FreezeMessage(), "The application seems to be frozen.");
    EXPECT_EQ(o.UpdateCount(), 0);
  }
  TCrashModuleOptions cut("prog", false);
  EXPECT_THROW(Load(cut, bytes.substr(0, bytes.size() - 3)), EReadError);
  EXPECT_EQ(cut.SMTPHost(), "mail.lab.example");
  EXPECT_THROW(Load(cut, bytes, 400), EReadError);
}

}  // namespace
}  // namespace lab
