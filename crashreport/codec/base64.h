#pragma once
// Base64 (RFC 4648 alphabet, "=" padding, no line breaks) for SMTP authentication and attachments,
// HTTP Basic authorisation and the protected names of a log file.

#include <cstddef>
#include <string>
#include <string_view>

namespace lab {

std::string Base64EncodeBuffer(const void* Buffer, std::size_t Count);
std::string Base64EncodeStr(std::string_view Text);
// A text whose length is 0 or not a multiple of 4 decodes to an empty result. A character outside
// the alphabet (or an "=" before the end) counts as the value 0, so damaged input decodes the same
// way every time.
std::string Base64DecodeStr(std::string_view Text);

}  // namespace lab
