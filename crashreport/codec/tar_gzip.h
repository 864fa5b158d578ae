#pragma once
// Packs the attachments of a crash report into one gzip-compressed tar archive, and unpacks a gzip
// stream (compressed web pages).

#include <cstdint>
#include <memory>
#include <string>

#include "platform/rtl/datetime.h"
#include "platform/rtl/object.h"
#include "platform/rtl/streams.h"

namespace lab {

class TTGZWriter : public TObject {
  LAB_CLASS(TTGZWriter, TObject)
 public:
  explicit TTGZWriter(std::string ArchiveName);
  // Writes the archive when Close was not called; a failure there cannot be reported, so callers
  // that want to know call Close.
  ~TTGZWriter() override;
  TTGZWriter(const TTGZWriter&) = delete;
  TTGZWriter& operator=(const TTGZWriter&) = delete;

  // Adds the file under the file part of ArchiveName (of FileName when empty), with its last-write
  // time. A file that cannot be opened raises the file stream's error.
  void AddFile(const std::string& FileName, const std::string& ArchiveName = {});
  // Adds the rest of Stream, from its position to its end, as one file: a header (mode 0644, owner
  // and group 0, the first 100 bytes of Name, Time in UTC), then the data in 512-byte blocks.
  void AddStream(TStream* Stream, const std::string& Name, TDateTime Time);
  // Ends the tar data with an empty block and writes the compressed archive; once only.
  void Close();

  TMemoryStream* Tar() { return tar_.get(); }
  const std::string& ArchiveName() const { return archive_name_; }

 private:
  std::unique_ptr<TMemoryStream> tar_;
  std::string archive_name_;
  bool closed_ = false;
};

// Writes the file ArchiveName: a gzip member named after it with the extension ".tar", holding the
// whole of Tar.
void GZipCompressStream(TMemoryStream* Tar, const std::string& ArchiveName);
// Inflates the gzip member from Source's position into Dest. A damaged or truncated member (its CRC
// and length are checked) raises EZLibError and writes nothing.
void GZipDecompressStream(TStream* Source, TStream* Dest);

// The file's last-write time, unconverted (UTC); 0 for a missing file or a folder.
TDateTime GetFileDateTime(const std::string& FileName);
// The time now in UTC, as the archive keeps times.
TDateTime UtcNow();

}  // namespace lab
