// The file list of a drop under X11 ("text/uri-list"): local file URIs become whole, percent-decoded
// paths; comments, other schemes, other hosts, relative paths and paths holding a NUL are left out.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/backend/uri_list.h"

namespace lab {
namespace {

struct TUriCase {
  const char* list;
  std::vector<std::string> files;
};

TEST(UriList, LocalFilesComeOutWholeAndDecoded) {
  const std::string long_name(400, 'x');
  const TUriCase cases[] = {
      {"file:///tmp/a.txt\r\nfile:///tmp/b.txt\r\n", {"/tmp/a.txt", "/tmp/b.txt"}},
      {"file:///tmp/a.txt\nfile:///tmp/b.txt", {"/tmp/a.txt", "/tmp/b.txt"}},
      {"# a comment\r\nfile:///tmp/job%2024001%20%C3%A9.txt", {"/tmp/job 24001 \xC3\xA9.txt"}},
      {"FILE://LocalHost/etc/x\r\nfile://labhost/y\r\nfile://LABHOST/z", {"/etc/x", "/y", "/z"}},
      {"file://otherhost/tmp/x\r\nhttp://example.com/y\r\nfile:relative/z", {}},
      {"file:/tmp/q?query#frag\r\nfile:///50%\r\nfile:///%4g", {"/tmp/q", "/50%", "/%4g"}},
      {"file:///tmp/%00evil\r\nfile://\r\nfile:\r\n\r\n", {}},
  };
  for (const TUriCase& c : cases) {
    EXPECT_EQ(LocalFilesOfUriList(c.list, "labhost"), c.files) << c.list;
  }
  EXPECT_EQ(LocalFilesOfUriList("file:///home/" + long_name, "labhost"), (std::vector<std::string>{"/home/" + long_name}));
}

}  // namespace
}  // namespace lab
