#pragma once
// TCodeEditFileWriter: writes text lines to a file through a 16 KB buffer; the file takes the place
// of one of its name only when Commit finds every byte written.

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
  // Starts a new file beside FileName (see TFileSaveStream); raises EFCreateError when it cannot.
  explicit TCodeEditFileWriter(const std::string& FileName);
  // Without Commit the file of that name stays as it was.
  ~TCodeEditFileWriter() override;

  // A string longer than the buffer enlarges the buffer.
  void Write(std::string_view S);
  // S and the line break.
  void WriteLine(std::string_view S);
  // Raises EWriteError when the file takes fewer bytes than it is given.
  void Flush();
  // Flushes, then the new file takes the old one's place; raises EWriteError naming the file.
  void Commit();

 private:
  void MakeRoom(std::size_t Length);
};

}  // namespace lab
