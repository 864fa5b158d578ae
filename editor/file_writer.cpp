#include "editor/file_writer.h"

#include <cstring>

#include "platform/rtl/file_save_stream.h"

namespace lab {

namespace {

constexpr std::size_t kBufferSize = 16384;

}  // namespace

TCodeEditFiler::TCodeEditFiler() : buffer_(kBufferSize) {}

TCodeEditFiler::~TCodeEditFiler() = default;

TCodeEditFileWriter::TCodeEditFileWriter(const std::string& FileName) {
  stream_ = std::make_unique<TFileSaveStream>(FileName);
}

TCodeEditFileWriter::~TCodeEditFileWriter() = default;

void TCodeEditFileWriter::Commit() {
  Flush();
  static_cast<TFileSaveStream&>(*stream_).Commit();
}

void TCodeEditFileWriter::MakeRoom(std::size_t Length) {
  if (used_ + Length > buffer_.size()) Flush();
  if (Length > buffer_.size()) buffer_.resize(Length);
}

void TCodeEditFileWriter::Write(std::string_view S) {
  MakeRoom(S.size());
  if (!S.empty()) std::memcpy(buffer_.data() + used_, S.data(), S.size());
  used_ += S.size();
}

void TCodeEditFileWriter::WriteLine(std::string_view S) {
  const std::size_t break_length = line_break_ == sffDos ? 2 : 1;
  MakeRoom(S.size() + break_length);
  if (!S.empty()) std::memcpy(buffer_.data() + used_, S.data(), S.size());
  used_ += S.size();
  if (line_break_ != sffUnix) buffer_[used_++] = '\r';
  if (line_break_ != sffMac) buffer_[used_++] = '\n';
}

void TCodeEditFileWriter::Flush() {
  if (used_ == 0) return;
  const std::size_t count = used_;
  used_ = 0;  // a failed write is reported once, not again by the destructor
  stream_->WriteBuffer(buffer_.data(), static_cast<std::int64_t>(count));
}

}  // namespace lab
