// Saving over an existing file: whatever goes wrong while writing leaves the file as it was, and the
// error names the file and the reason. Reads and writes cut short name their file too.

#include "platform/rtl/file_save_stream.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>

#include "platform/db/fields.h"
#include "platform/db/mem_dataset.h"
#include "platform/graphics/bitmap.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/ini_file.h"
#include "platform/rtl/string_list.h"
#include "tests/common/file_size_limit.h"
#include "tests/platform/temp_folder.h"

namespace lab {
namespace {

using testing::TempFolder;
using testing::TFileSizeLimit;

std::string Contents(const std::string& File) {
  std::ifstream in(File, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void Write(const std::string& File, const std::string& Text) { std::ofstream(File, std::ios::binary) << Text; }

int Entries(const std::filesystem::path& Folder) {
  return static_cast<int>(std::distance(std::filesystem::directory_iterator(Folder), {}));
}

template <class E>
std::string MessageOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const E& e) {
    return e.Message();
  }
  return "<no exception>";
}

constexpr rlim_t kRoomLeft = 64 * 1024;  // each saver below writes more than this

// Each way of saving a file, with more bytes than the disk has room for.
struct TSaver {
  const char* Name;
  std::function<void(const std::string& File)> Save;
};

const TSaver kSavers[] = {
    {"string list",
     [](const std::string& File) {
       TStringList list;
       for (int i = 0; i < 5000; ++i) list.Add("line " + std::to_string(i) + " of the new text");
       list.SaveToFile(File);
     }},
    {"memory stream",
     [](const std::string& File) {
       TMemoryStream m;
       m.SetSize(200000);
       m.SaveToFile(File);
     }},
    {"dataset as CSV",
     [](const std::string& File) {
       TMemDataSet ds(nullptr);
       ds.FieldDefs().Add("Name", ftString, 100);
       ds.Open();
       for (int i = 0; i < 2000; ++i) {
         ds.Append();
         ds.FieldByName("Name")->SetAsString(std::string(90, static_cast<char>('a' + i % 26)));
         ds.Post();
       }
       ds.SaveToCSVFile(File);
     }},
    {"bitmap", [](const std::string& File) { TBitmap(300, 300).SaveToFile(File); }},
    {"INI file",
     [](const std::string& File) {
       TMemIniFile ini(File);
       for (int i = 0; i < 3000; ++i) ini.WriteString("Jobs", "Job" + std::to_string(i), "a value of the new file");
       ini.UpdateFile();
     }},
};

TEST(FileSave, AFailedSaveKeepsTheFileAndNamesItThenASaveReplacesItKeepingItsRightsAndLinks) {
  for (const TSaver& saver : kSavers) {
    SCOPED_TRACE(saver.Name);
    const TempFolder folder;
    const std::string file = folder.File("jobs.txt"), link = folder.File("link.txt");
    const std::string old = "[Old]\nthe file as it was\n";
    Write(file, old);
    ASSERT_EQ(chmod(file.c_str(), 0640), 0);
    std::filesystem::create_symlink(file, link);
    {
      const TFileSizeLimit disk(kRoomLeft);
      EXPECT_EQ(MessageOf<EWriteError>([&] { saver.Save(link); }), "Cannot write file \"" + link + "\". File too large");
    }
    EXPECT_EQ(Contents(file), old);
    EXPECT_EQ(Entries(folder.Path()), 2) << "the new file is left behind";

    saver.Save(link);
    Write(folder.File("fresh.txt"), old);  // an INI file keeps what it read
    saver.Save(folder.File("fresh.txt"));
    EXPECT_EQ(Contents(file), Contents(folder.File("fresh.txt")));
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(std::filesystem::status(file).permissions(), std::filesystem::perms(0640));
    EXPECT_EQ(Entries(folder.Path()), 3);
  }
}

TEST(FileSave, ShortReadsAndWritesNameTheFileAndTheReason) {
  const TempFolder folder;
  const std::string file = folder.File("short.bin");
  Write(file, "four");
  char buffer[16];
  const struct {
    const char* What;
    std::function<void()> Do;
    std::string Message;
  } cases[] = {
      {"read past the end", [&] { TFileStream(file, fmOpenRead).ReadBuffer(buffer, 10); },
       "Cannot read file \"" + file + "\". Reached the end of the file"},
      {"positioned read past the end", [&] { TFileStream(file, fmOpenRead).ReadBufferAt(buffer, 4, 2); },
       "Cannot read file \"" + file + "\". Reached the end of the file"},
      {"write to a full device", [&] { TFileStream("/dev/full", fmOpenWrite).WriteBuffer("data", 4); },
       "Cannot write file \"/dev/full\". No space left on device"},
      {"save to a full device, written in place", [&] { TFileSaveStream("/dev/full").WriteBuffer("data", 4); },
       "Cannot write file \"/dev/full\". No space left on device"},
  };
  for (const auto& c : cases) EXPECT_EQ(MessageOf<Exception>(c.Do), c.Message) << c.What;
}

}  // namespace
}  // namespace lab
