// Error pages from any template: the page always ends with its ID comment, every "<%HTML_TAG%>" of
// the template (in any case) is filled in, and nothing else of the page depends on the ID.

#include <cstdint>
#include <string>
#include <string_view>

#include "crashreport/dialogs/web_mode.h"
#include "platform/rtl/strutils.h"
#include "tests/fuzz/fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace lab;
  // The first byte tells how much of the rest is the body; the remainder is the template.
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const std::size_t body_size = size > 0 ? std::min<std::size_t>(data[0], size - 1) : 0;
  const std::string_view body = bytes.substr(size > 0 ? 1 : 0, body_size);
  const std::string_view templ = bytes.substr(size > 0 ? 1 + body_size : 0);

  const std::string page = BuildHTMLPage(templ, "Error.", body);
  const std::string comment = "<!-- CrashLog ID: " + WebPageID() + " -->";
  LAB_FUZZ_CHECK(WebPageID().size() == 8);
  LAB_FUZZ_CHECK(page.size() >= comment.size());
  LAB_FUZZ_CHECK(page.compare(page.size() - comment.size(), comment.size(), comment) == 0);
  const std::string again = BuildHTMLPage(templ, "Error.", body);
  LAB_FUZZ_CHECK(again.size() == page.size());
  LAB_FUZZ_CHECK(again.compare(0, page.size() - comment.size(), page, 0, page.size() - comment.size()) == 0);
  // With a body that shares no character with the tag, none is left once the template's are filled
  // in (the default template's included): the scan missed none.
  if (!body.empty() && body.find_first_of("<%>_HTMLAGhtmlag") == std::string_view::npos)
    LAB_FUZZ_CHECK(LowerCase(page).find("<%html_tag%>") == std::string::npos);
  return 0;
}
