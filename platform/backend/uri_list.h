#pragma once
// A "text/uri-list" as programs hand over dropped files: one URI a line (CR LF, or LF, between
// them), lines starting with "#" are comments. The local files among them are the "file:" URIs whose
// host is empty, "localhost" or this computer's name; their paths are percent-decoded whole (a
// path of any length). Other URIs, and paths that would decode to a NUL or stand relative, are left
// out.

#include <string>
#include <string_view>
#include <vector>

namespace lab {

std::vector<std::string> LocalFilesOfUriList(std::string_view List, std::string_view HostName);

}  // namespace lab
