// The options stream: no header, integers little-endian, texts as a 32-bit length and masked bytes.
// Its version comes from the module data that carries it.

#include <algorithm>
#include <string>

#include "crashreport/options.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/format.h"
#include "platform/rtl/scope_exit.h"
#include "platform/rtl/streams.h"

namespace lab {
namespace {

class TOptionsWriter {
 public:
  explicit TOptionsWriter(TStream* stream) : stream_(stream) {}

  void Bytes(std::uint64_t value, int count) {
    std::uint8_t buffer[8];
    for (int i = 0; i < count; ++i) buffer[i] = static_cast<std::uint8_t>(value >> (8 * i));
    stream_->WriteBuffer(buffer, count);
  }
  void Flag(bool value) { Bytes(value ? 1 : 0, 1); }

  void Text(std::string text) {
    // A single line break at the very end is not kept.
    if (text.size() > 1 && text.find("\r\n") == text.size() - 2) text.resize(text.size() - 2);
    Bytes(static_cast<std::uint32_t>(text.size()), 4);
    for (char& c : text) c = static_cast<char>(c ^ kOptionsTextMask);
    stream_->WriteBuffer(text.data(), static_cast<std::int64_t>(text.size()));
  }

 private:
  TStream* stream_;
};

class TOptionsReader {
 public:
  explicit TOptionsReader(TStream* stream) : stream_(stream) {}

  std::uint64_t Bytes(int count) {
    std::uint8_t buffer[8];
    stream_->ReadBuffer(buffer, count);
    std::uint64_t value = 0;
    for (int i = count; i-- > 0;) value = value << 8 | buffer[i];
    return value;
  }
  bool Flag() { return Bytes(1) != 0; }
  std::uint8_t Byte() { return static_cast<std::uint8_t>(Bytes(1)); }
  std::int32_t Int32() { return static_cast<std::int32_t>(Bytes(4)); }

  std::string Text() {
    const std::int32_t length = Int32();
    // A damaged length must not make up text (or a huge allocation) from what is not there.
    if (length < 0 || length > stream_->Size() - stream_->Position()) throw EReadError("Stream read error");
    std::string text(static_cast<std::size_t>(length), '\0');
    stream_->ReadBuffer(text.data(), length);
    for (char& c : text) c = static_cast<char>(c ^ kOptionsTextMask);
    return text;
  }

 private:
  TStream* stream_;
};

template <class T>
T WithFlag(T value, T flag, bool on) {
  return static_cast<T>(on ? value | flag : value & ~flag);
}

// Streams before version 500 kept 32 report items; the items added later sit between the old ones.
// The old bits 0-3, 5-19 and 23-26 become bits 0-3, 4-18 and 19-22, the fifth byte (which the old
// stream does not touch) bits 23-30.
std::uint64_t RemapOldReportItems(std::uint64_t items) {
  return (items & 0xF) | ((items >> 5) & 0x7FFF) << 4 | ((items >> 23) & 0xF) << 19 |
         ((items >> 32) & 0xFF) << 23;
}

// Whether text Index is stored in a stream of that version.
bool TextStored(int index, int version) {
  auto in = [index](std::initializer_list<int> list) {
    return std::find(list.begin(), list.end(), index) != list.end();
  };
  if (version < 420 && index == 17) return false;
  if (version < 421 && index == 16) return false;
  if (version < 450 && ((index >= 8 && index <= 11) || (index >= 18 && index <= 20) || in({26, 41, 47, 48, 52}) ||
                        index >= 75))
    return false;
  if (version < 500 && (in({12, 13, 21, 27, 89, 94, 95}) || (index >= 46 && index <= 48) ||
                        (index >= 54 && index <= 61) || (index >= 68 && index <= 74)))
    return false;
  return true;
}

}  // namespace

void TCrashModuleOptions::SaveToStream(TStream* Stream) {
  TOptionsWriter w(Stream);
  w.Flag(stored_flag_);
  w.Flag(exception_filters_active_);
  w.Bytes(log_flags_, 1);
  w.Flag(report_in_message_body_);
  w.Flag(save_log_file_);
  w.Bytes(dialog_first_page_, 1);
  w.Flag(freeze_active_);
  w.Bytes(static_cast<std::uint32_t>(freeze_timeout_), 4);
  w.Text(freeze_message_);
  w.Text(smtp_from_);
  w.Text(smtp_host_);
  w.Bytes(smtp_port_, 2);
  w.Text(smtp_user_id_);
  w.Text(smtp_password_);
  w.Bytes(terminate_action_, 1);
  w.Flag(terminate_after_errors_);
  w.Bytes(static_cast<std::uint32_t>(max_log_entries_), 4);
  w.Bytes(static_cast<std::uint32_t>(errors_before_terminate_), 4);
  w.Text(email_addresses_);
  w.Text(email_subject_);
  w.Bytes(email_send_mode_, 1);
  w.Bytes(report_items_, 5);
  w.Text(log_file_path_);
  w.Bytes(web_send_mode_, 1);
  w.Text(web_url_);
  w.Text(web_user_id_);
  w.Text(web_password_);
  w.Bytes(static_cast<std::uint32_t>(web_port_), 4);
  w.Text(attached_files_);
  w.Bytes(send_flags_, 2);
  w.Bytes(dialog_options_, 1);
  w.Bytes(static_cast<std::uint32_t>(auto_close_seconds_), 4);
  w.Text(support_url_);
  w.Text(html_template_);
  w.Bytes(call_stack_options_, 1);
  w.Bytes(behaviour_flags_, 1);
  w.Bytes(error_frequency_action_, 1);
  w.Bytes(static_cast<std::uint32_t>(error_frequency_count_), 4);
  w.Bytes(static_cast<std::uint32_t>(error_frequency_minutes_), 4);
  const int count = std::max(exception_filter_classes_->Count(), exception_filter_settings_->Count());
  w.Bytes(static_cast<std::uint32_t>(count), 4);
  for (int i = 0; i < count; ++i) {
    w.Text(i < exception_filter_classes_->Count() ? exception_filter_classes_->Strings(i) : std::string());
    w.Text(i < exception_filter_settings_->Count() ? exception_filter_settings_->Strings(i) : std::string());
  }
  w.Text(email_message_);
  for (const std::string& text : customized_texts_) w.Text(text);
}

void TCrashModuleOptions::LoadFromStream(TStream* Stream, int Version) {
  if (Version < 401) throw EReadError(Format("Options stream version %d is not supported", Version));
  {
    BeginUpdate();
    TScopeExit end_update([&] { EndUpdate(); });
    ReadStream(Stream, Version);
  }
  NotifyChange();
}

void TCrashModuleOptions::ReadStream(TStream* Stream, int Version) {
  TOptionsReader r(Stream);
  const bool old = Version < 500;
  SetStoredFlag(r.Flag());
  SetExceptionFiltersActive(r.Flag());
  SetLogFlags(r.Byte());
  if (old) {
    const bool show = r.Flag();
    SetDialogOptions(WithFlag(dialog_options_, kDialogShowException, Version < 450 ? !show : show));
  }
  SetReportInMessageBody(r.Flag());
  if (old && Version >= 450) {
    for (std::uint16_t flag : {kSendWholeLog, kSendScreenshot, kSendShowDialogs})
      SetSendFlags(WithFlag(send_flags_, flag, r.Flag()));
  }
  SetSaveLogFile(r.Flag());
  SetDialogFirstPage(r.Byte());
  if (old && Version >= 403) SetDialogOptions(WithFlag(dialog_options_, kDialogOwnLook, r.Flag()));
  if (Version >= 420) {
    SetFreezeActive(r.Flag());
    const std::int32_t timeout = r.Int32();
    SetFreezeTimeout(Version < 422 ? timeout / 1000 : timeout);  // milliseconds before 422
    SetFreezeMessage(r.Text());
  }
  if (Version >= 450) SetSMTPFrom(r.Text());
  if (Version >= 420) SetSMTPHost(r.Text());
  if (Version >= 450) SetSMTPPort(static_cast<std::uint16_t>(r.Bytes(2)));
  if (Version >= 421) {
    SetSMTPUserID(r.Text());
    SetSMTPPassword(r.Text());
    SetTerminateAction(r.Byte());
  }
  SetTerminateAfterErrors(r.Flag());
  SetMaxLogEntries(r.Int32());
  SetErrorsBeforeTerminate(r.Int32());
  SetEmailAddresses(r.Text());
  SetEmailSubject(r.Text());
  std::uint8_t send_mode = r.Byte();
  if (Version < 450 && send_mode != kEmailSendNone)
    send_mode = smtp_host_.empty() ? kEmailSendMailClient : kEmailSendSMTPServer;
  SetEmailSendMode(send_mode);
  if (old) {
    const std::uint64_t low = r.Bytes(4);
    SetReportItems(RemapOldReportItems((report_items_ & 0xFF'0000'0000) | low));
    if (Version < 450) r.Bytes(1);
  } else {
    SetReportItems(r.Bytes(5));
  }
  SetLogFilePath(r.Text());
  if (!old) {
    SetWebSendMode(r.Byte());
    SetWebURL(r.Text());
    SetWebUserID(r.Text());
    SetWebPassword(r.Text());
    SetWebPort(r.Int32());
    SetAttachedFiles(r.Text());
    SetSendFlags(static_cast<std::uint16_t>(r.Bytes(2)));
    SetDialogOptions(r.Byte());
    SetAutoCloseSeconds(r.Int32());
    SetSupportURL(r.Text());
    SetHTMLTemplate(r.Text());
    SetCallStackOptions(r.Byte());
    SetBehaviourFlags(r.Byte());
    SetErrorFrequencyAction(r.Byte());
    SetErrorFrequencyCount(r.Int32());
    SetErrorFrequencyMinutes(r.Int32());
  }
  const std::int32_t count = r.Int32();
  if (count < 0) throw EReadError("Stream read error");
  exception_filter_classes_->Clear();
  exception_filter_settings_->Clear();
  for (std::int32_t i = 0; i < count; ++i) {
    exception_filter_classes_->Add(r.Text());
    exception_filter_settings_->Add(r.Text());
  }
  SetEmailMessage(r.Text());
  for (int i = 0; i < kCustomizedTextCount; ++i)
    if (TextStored(i, Version)) customized_texts_[i] = r.Text();
}

}  // namespace lab
