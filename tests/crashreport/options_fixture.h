#pragma once
// Options with a value other than the default in every field, and a field-by-field comparison.

#include <gtest/gtest.h>

#include "crashreport/options.h"

namespace lab::testing {

inline void FillEveryField(TCrashModuleOptions& o) {
  o.SetSMTPFrom("reports@lab.example");
  o.SetSMTPHost("mail.lab.example");
  o.SetSMTPUserID("smtp user");
  o.SetSMTPPassword("p\xC3\xA4ss");
  o.SetSMTPPort(2525);
  o.SetTerminateAction(2);
  o.SetFreezeActive(true);
  o.SetFreezeTimeout(45);
  o.SetFreezeMessage("Frozen\r\nagain.");
  o.SetReportItems(0xA5'1234'5678);
  o.ExceptionFilterClasses()->Add("EAbort");
  o.ExceptionFilterClasses()->Add("EConvertError");
  o.ExceptionFilterSettings()->Add("ignore");
  o.ExceptionFilterSettings()->Add("Bad number");
  for (int i = 0; i < kCustomizedTextCount; ++i) o.CustomizedTexts()[i] = "Text " + std::to_string(i);
  o.SetStoredFlag(true);
  o.SetExceptionFiltersActive(false);
  o.SetReportInMessageBody(true);
  o.SetTerminateAfterErrors(false);
  o.SetSaveLogFile(false);
  o.SetLogFlags(0xCF);
  o.SetSendFlags(0x03AE);
  o.SetDialogFirstPage(3);
  o.SetMaxLogEntries(-7);
  o.SetErrorsBeforeTerminate(11);
  o.SetLogFilePath("/var/log/lab");
  o.SetEmailAddresses("a@lab.example;b@lab.example");
  o.SetEmailSubject("Crash report");
  o.SetEmailMessage("Please look at this.");
  o.SetEmailSendMode(3);
  o.SetWebSendMode(2);
  o.SetAttachedFiles("/tmp/a.txt;/tmp/b.txt");
  o.SetDialogOptions(0xE0);
  o.SetAutoCloseSeconds(30);
  o.SetSupportURL("https://lab.example/support");
  o.SetHTMLTemplate("<p><%HTML_TAG%></p>");
  o.SetErrorFrequencyAction(0);
  o.SetErrorFrequencyCount(5);
  o.SetErrorFrequencyMinutes(15);
  o.SetCallStackOptions(0xF0);
  o.SetBehaviourFlags(0x4F);
  o.SetWebURL("https://upload.lab.example/report");
  o.SetWebPort(8443);
  o.SetWebPassword("web secret");
  o.SetWebUserID("web user");
}

inline void ExpectSameOptions(const TCrashModuleOptions& a, const TCrashModuleOptions& b) {
#define LAB_SAME(Name) EXPECT_EQ(a.Name(), b.Name()) << #Name
  LAB_SAME(SMTPFrom); LAB_SAME(SMTPHost); LAB_SAME(SMTPUserID); LAB_SAME(SMTPPassword);
  LAB_SAME(SMTPPort); LAB_SAME(TerminateAction); LAB_SAME(FreezeActive); LAB_SAME(FreezeTimeout);
  LAB_SAME(FreezeMessage); LAB_SAME(ReportItems); LAB_SAME(StoredFlag); LAB_SAME(ExceptionFiltersActive);
  LAB_SAME(ReportInMessageBody); LAB_SAME(TerminateAfterErrors); LAB_SAME(SaveLogFile); LAB_SAME(LogFlags);
  LAB_SAME(SendFlags); LAB_SAME(DialogFirstPage); LAB_SAME(MaxLogEntries); LAB_SAME(ErrorsBeforeTerminate);
  LAB_SAME(LogFilePath); LAB_SAME(EmailAddresses); LAB_SAME(EmailSubject); LAB_SAME(EmailMessage);
  LAB_SAME(EmailSendMode); LAB_SAME(WebSendMode); LAB_SAME(AttachedFiles); LAB_SAME(DialogOptions);
  LAB_SAME(AutoCloseSeconds); LAB_SAME(SupportURL); LAB_SAME(HTMLTemplate); LAB_SAME(ErrorFrequencyAction);
  LAB_SAME(ErrorFrequencyCount); LAB_SAME(ErrorFrequencyMinutes); LAB_SAME(CallStackOptions);
  LAB_SAME(BehaviourFlags); LAB_SAME(WebURL); LAB_SAME(WebPort); LAB_SAME(WebPassword); LAB_SAME(WebUserID);
  LAB_SAME(CustomizedTexts);
#undef LAB_SAME
  EXPECT_EQ(a.ExceptionFilterClasses()->Text(), b.ExceptionFilterClasses()->Text());
  EXPECT_EQ(a.ExceptionFilterSettings()->Text(), b.ExceptionFilterSettings()->Text());
}

}  // namespace lab::testing
