#pragma once
// Saving a file so that a failure never costs the file that was there: the bytes go into a new file
// beside it, which takes the old one's place (its permission bits with it) only when Commit finds
// every byte written and on the disk. A stream freed without Commit removes its new file and
// leaves the old one as it was.
//
//   TFileSaveStream file(FileName);
//   SaveToStream(&file);
//   file.Commit();
//
// A name that is a link saves into the file the link leads to. A device or a pipe (no file to
// replace) is written in place, and so is a file whose folder takes no new file. Errors raise
// EFCreateError or EWriteError naming the file and the system's reason.

#include <string>

#include "platform/rtl/streams.h"

namespace lab {

class TFileSaveStream : public TFileStream {
  LAB_CLASS(TFileSaveStream, TFileStream)
 public:
  explicit TFileSaveStream(const std::string& FileName);
  ~TFileSaveStream() override;

  // Puts the new file in the old one's place; nothing may be written after.
  void Commit();

 private:
  struct TOpened {
    int Handle;
    std::string Target;   // the file that is replaced
    std::string NewFile;  // empty when writing in place
  };
  static TOpened Open(const std::string& FileName);
  TFileSaveStream(const std::string& FileName, TOpened Opened);

  std::string target_;
  std::string new_file_;
  bool committed_ = false;
};

}  // namespace lab
