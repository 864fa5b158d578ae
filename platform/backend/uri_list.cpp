#include "platform/backend/uri_list.h"

#include <optional>

namespace lab {

namespace {

int HexValue(char C) {
  if (C >= '0' && C <= '9') return C - '0';
  if (C >= 'a' && C <= 'f') return C - 'a' + 10;
  if (C >= 'A' && C <= 'F') return C - 'A' + 10;
  return -1;
}

// "%41" becomes "A"; a "%" not followed by two hex digits stands as it is. Nothing when a NUL would
// come out, which no path holds.
std::optional<std::string> PercentDecoded(std::string_view S) {
  std::string out;
  out.reserve(S.size());
  for (std::size_t i = 0; i < S.size(); ++i) {
    if (S[i] == '%' && i + 2 < S.size()) {
      const int high = HexValue(S[i + 1]), low = HexValue(S[i + 2]);
      if (high >= 0 && low >= 0) {
        const char c = static_cast<char>(high * 16 + low);
        if (c == '\0') return std::nullopt;
        out += c;
        i += 2;
        continue;
      }
    }
    if (S[i] == '\0') return std::nullopt;
    out += S[i];
  }
  return out;
}

bool SameText(std::string_view A, std::string_view B) {
  if (A.size() != B.size()) return false;
  for (std::size_t i = 0; i < A.size(); ++i) {
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    if (lower(A[i]) != lower(B[i])) return false;
  }
  return true;
}

}  // namespace

std::vector<std::string> LocalFilesOfUriList(std::string_view List, std::string_view HostName) {
  std::vector<std::string> files;
  while (!List.empty()) {
    const std::size_t end = List.find('\n');
    std::string_view line = List.substr(0, end);
    List = end == std::string_view::npos ? std::string_view() : List.substr(end + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.empty() || line.front() == '#') continue;
    constexpr std::string_view kScheme = "file:";
    if (line.size() < kScheme.size() || !SameText(line.substr(0, kScheme.size()), kScheme)) continue;
    std::string_view rest = line.substr(kScheme.size());
    if (rest.substr(0, 2) == "//") {
      // An authority: the host is this computer's, or the file is not here.
      rest.remove_prefix(2);
      const std::size_t slash = rest.find('/');
      if (slash == std::string_view::npos) continue;
      const std::string_view host = rest.substr(0, slash);
      if (!host.empty() && !SameText(host, "localhost") && !SameText(host, HostName)) continue;
      rest.remove_prefix(slash);
    }
    if (rest.empty() || rest.front() != '/') continue;
    // A query or fragment is no part of a file's path.
    rest = rest.substr(0, rest.find_first_of("?#"));
    if (std::optional<std::string> path = PercentDecoded(rest)) files.push_back(std::move(*path));
  }
  return files;
}

}  // namespace lab
