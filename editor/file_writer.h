#pragma once
// TCodeEditFileWriter: writes text lines to a newly created file through a 16 KB buffer.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "editor/text_buffer.h"
#include "platform/rtl/object.h"

namespace lab {

class TFileStream;

// A buffered file with a line-break kind, the common part of the editor's file readers and writers.
class TCodeEditFiler : public TObject {
  LAB_CLASS(TCodeEditFiler, TObject)
 public:
  TCodeEditFileFormat LineBreak() const { return line_break_; }
  void SetLineBreak(TCodeEditFileFormat Value) { line_break_ = Value; }

 protected:
  TCodeEditFiler();
  ~TCodeEditFiler() override;

  std::vector<char> buffer_;
  std::size_t used_ = 0;
  // LF until the owner sets its own format.
  TCodeEditFileFormat line_break_ = sffUnix;
  std::unique_ptr<TFileStream> stream_;
};

class TCodeEditFileWriter : public TCodeEditFiler {
  LAB_CLASS(TCodeEditFileWriter, TCodeEditFiler)
 public:
  // Creates (or empties) the file; raises EFCreateError when it cannot.
  explicit TCodeEditFileWriter(const std::string& FileName);
  // Flushes what is left; a failure here is swallowed, so callers that must know call Flush first.
  ~TCodeEditFileWriter() override;

  // A string longer than the buffer enlarges the buffer.
  void Write(std::string_view S);
  // S and the line break.
  void WriteLine(std::string_view S);
  // Raises EWriteError when the file takes fewer bytes than it is given.
  void Flush();

 private:
  void MakeRoom(std::size_t Length);
};

}  // namespace lab
