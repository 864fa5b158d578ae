#include "crashreport/send/web_upload.h"

#include <curl/curl.h>

#include <algorithm>
#include <array>
#include <exception>
#include <memory>
#include <mutex>
#include <optional>
#include <random>

#include "crashreport/codec/base64.h"
#include "crashreport/codec/file_utils.h"
#include "platform/rtl/arith.h"
#include "platform/rtl/format.h"
#include "platform/rtl/string_list.h"

namespace lab {

namespace {

constexpr std::size_t kWriteChunk = 1024;

constexpr std::array<const char*, 46> kInternetErrors = {
    "12002 The request has timed out.",
    "12003 An extended error was returned from the server.",
    "12004 An internal error has occurred.",
    "12005 The URL is invalid.",
    "12006 The URL scheme could not be recognized, or is not supported.",
    "12007 The server name could not be resolved.",
    "12013 User name incorrect.",
    "12014 Password incorrect.",
    "12015 Log on request failed.",
    "12016 The requested operation is invalid.",
    "12020 The request cannot be made via a proxy.",
    "12028 The requested item could not be located.",
    "12029 The attempt to connect to the server failed.",
    "12030 The connection with the server has been terminated.",
    "12031 The connection with the server has been reset.",
    "12033 The request to the proxy was invalid.",
    "12037 SSL certificate date is bad.",
    "12038 SSL certificate host name field is incorrect.",
    "12039 The application is moving from a non-SSL to an SSL connection because of a redirect.",
    "12040 The application is moving from an SSL to an non-SSL connection because of a redirect.",
    "12041 The content is not entirely secure.",
    "12042 The application is posting and attempting to change multiple lines of text on a server that is not secure.",
    "12043 The application is posting data to a server that is not secure.",
    "12044 The server is requesting client authentication.",
    "12045 The function is unfamiliar with the Certificate Authority that generated the server's certificate.",
    "12052 The data being submitted to an SSL connection is being redirected to a non-SSL connection.",
    "12055 The SSL certificate contains errors.",
    "12111 FTP session aborted.",
    "12112 Passive mode is not available on the server.",
    "12133 The end of the data has been reached.",
    "12150 The requested header could not be located.",
    "12151 The server did not return any headers.",
    "12152 The server response could not be parsed.",
    "12153 The supplied header is invalid.",
    "12160 The HTTP request was not redirected.",
    "12161 The HTTP cookie requires confirmation.",
    "12162 The HTTP cookie was declined by the server.",
    "12163 The Internet connection has been lost.",
    "12164 The Web site or server indicated is unreachable.",
    "12165 The designated proxy server cannot be reached.",
    "12166 There was an error in the automatic proxy configuration script.",
    "12167 The automatic proxy configuration script could not be downloaded.",
    "12168 The redirection requires user confirmation.",
    "12169 SSL certificate is invalid.",
    "12170 SSL certificate was revoked.",
    "12171 The function failed due to a security check.",
};

// The Internet error code that tells a libcurl failure.
int InternetErrorCode(CURLcode Code) {
  switch (Code) {
    case CURLE_UNSUPPORTED_PROTOCOL: return 12006;
    case CURLE_URL_MALFORMAT: return 12005;
    case CURLE_COULDNT_RESOLVE_PROXY: return 12165;
    case CURLE_COULDNT_RESOLVE_HOST: return 12007;
    case CURLE_COULDNT_CONNECT: return 12029;
    case CURLE_WEIRD_SERVER_REPLY:
    case CURLE_GOT_NOTHING: return 12152;
    case CURLE_REMOTE_ACCESS_DENIED:
    case CURLE_UPLOAD_FAILED:
    case CURLE_QUOTE_ERROR: return 12003;
    case CURLE_FTP_WEIRD_PASV_REPLY:
    case CURLE_FTP_CANT_GET_HOST: return 12112;
    case CURLE_OPERATION_TIMEDOUT: return 12002;
    case CURLE_SEND_ERROR:
    case CURLE_RECV_ERROR: return 12030;
    case CURLE_LOGIN_DENIED: return 12015;
    case CURLE_PEER_FAILED_VERIFICATION: return 12045;
    case CURLE_SSL_CONNECT_ERROR: return 12055;
    case CURLE_SSL_CERTPROBLEM: return 12044;
    default: return 12004;
  }
}

void InitCurl() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

using TCurl = std::unique_ptr<CURL, decltype(&curl_easy_cleanup)>;
using THeaders = std::unique_ptr<curl_slist, decltype(&curl_slist_free_all)>;

// Hands libcurl the data in pieces of at most 1024 bytes and tells the progress: stage 1 once the
// connection stands, then stage 2 after each piece. A progress handler's exception waits for the
// transfer to end.
struct TUpload {
  // Tells stage 0.
  TUpload(std::int64_t Size, const TUploadProgress& OnProgress)
      : Total(SaturateCast<std::int32_t>(Size)), Progress(&OnProgress) {
    Tell(0, 0);
  }

  std::string_view Data;
  std::size_t Sent = 0;
  std::int32_t Total = 0;
  std::int32_t Before = 0;  // of Total, sent before this transfer
  const TUploadProgress* Progress = nullptr;
  bool Connected = false;
  std::exception_ptr Failure;
  // The server's answer to the whole of Data is due within ReplyLimit.
  std::chrono::milliseconds ReplyLimit{0};
  std::optional<std::chrono::steady_clock::time_point> AllSent;
  bool TimedOut = false;

  void Tell(std::uint8_t Stage, std::int32_t Position) {
    if (!*Progress || Failure) return;
    try {
      (*Progress)(Stage, Total, Position);
    } catch (...) {
      Failure = std::current_exception();
    }
  }
};

int OnConnected(void* User, char*, char*, int, int) {
  auto* upload = static_cast<TUpload*>(User);
  if (!upload->Connected) upload->Tell(1, 0);
  upload->Connected = true;
  return upload->Failure ? CURL_PREREQFUNC_ABORT : CURL_PREREQFUNC_OK;
}

std::size_t ReadPiece(char* Buffer, std::size_t Size, std::size_t Count, void* User) {
  auto* upload = static_cast<TUpload*>(User);
  const std::size_t n = std::min({Size * Count, kWriteChunk, upload->Data.size() - upload->Sent});
  std::copy_n(upload->Data.data() + upload->Sent, n, Buffer);
  upload->Sent += n;
  if (n > 0) upload->Tell(2, std::min(upload->Before + static_cast<std::int32_t>(upload->Sent), upload->Total));
  return upload->Failure ? CURL_READFUNC_ABORT : n;
}

// Keeps the reason of the last status line ("Found" of "HTTP/1.1 302 Found").
std::size_t ReadHeader(char* Buffer, std::size_t Size, std::size_t Count, void* User) {
  const std::string_view line(Buffer, Size * Count);
  if (line.starts_with("HTTP/")) {
    auto* reason = static_cast<std::string*>(User);
    const std::size_t code = line.find(' ');
    const std::size_t text = code == std::string_view::npos ? code : line.find(' ', code + 1);
    *reason = text == std::string_view::npos ? std::string() : std::string(line.substr(text + 1));
    while (!reason->empty() && (reason->back() == '\r' || reason->back() == '\n')) reason->pop_back();
  }
  return Size * Count;
}

std::size_t IgnoreBody(char*, std::size_t Size, std::size_t Count, void*) { return Size * Count; }

// Called by libcurl at least once a second: ends a transfer whose server answers too slowly.
int WatchReply(void* User, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
  auto* upload = static_cast<TUpload*>(User);
  if (upload->Sent < upload->Data.size()) return 0;
  const auto now = std::chrono::steady_clock::now();
  if (!upload->AllSent) upload->AllSent = now;
  upload->TimedOut = now - *upload->AllSent > upload->ReplyLimit;
  return upload->TimedOut ? 1 : 0;
}

// What every upload sets: the agent, time limits, the proxy, the certificate authorities, our
// callbacks.
TCurl OpenTransfer(TUpload& Upload, char* ErrorBuffer) {
  InitCurl();
  TCurl curl(curl_easy_init(), &curl_easy_cleanup);
  if (!curl) return curl;
  CURL* c = curl.get();
  curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(c, CURLOPT_ERRORBUFFER, ErrorBuffer);
  curl_easy_setopt(c, CURLOPT_USERAGENT, "CrashLog");
  curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT, 60L);
  curl_easy_setopt(c, CURLOPT_LOW_SPEED_LIMIT, 1L);
  curl_easy_setopt(c, CURLOPT_LOW_SPEED_TIME, 60L);
  const TWebProxy& proxy = WebProxy();
  if (!proxy.Address.empty()) {
    curl_easy_setopt(c, CURLOPT_PROXY, proxy.Address.c_str());
    curl_easy_setopt(c, CURLOPT_NOPROXY, "localhost,127.0.0.1,::1");
    if (!proxy.User.empty()) curl_easy_setopt(c, CURLOPT_PROXYUSERNAME, proxy.User.c_str());
    if (!proxy.Password.empty()) curl_easy_setopt(c, CURLOPT_PROXYPASSWORD, proxy.Password.c_str());
  }
  const std::string authorities = GetEnvironmentText("SSL_CERT_FILE");
  if (!authorities.empty()) curl_easy_setopt(c, CURLOPT_CAINFO, authorities.c_str());
  curl_easy_setopt(c, CURLOPT_PREREQFUNCTION, &OnConnected);
  curl_easy_setopt(c, CURLOPT_PREREQDATA, &Upload);
  curl_easy_setopt(c, CURLOPT_READFUNCTION, &ReadPiece);
  curl_easy_setopt(c, CURLOPT_READDATA, &Upload);
  curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, &IgnoreBody);
  curl_easy_setopt(c, CURLOPT_XFERINFOFUNCTION, &WatchReply);
  curl_easy_setopt(c, CURLOPT_XFERINFODATA, &Upload);
  curl_easy_setopt(c, CURLOPT_NOPROGRESS, 0L);
  const auto seconds = std::chrono::ceil<std::chrono::seconds>(Upload.ReplyLimit).count();
  curl_easy_setopt(c, CURLOPT_SERVER_RESPONSE_TIMEOUT, static_cast<long>(seconds));
  return curl;
}

// A failed transfer's code, with what libcurl said (else the code's own text) in ErrorText.
int TransferFailure(const TUpload& Upload, CURLcode Code, const char* ErrorBuffer, std::string& ErrorText) {
  if (Upload.TimedOut) {
    ErrorText = GetInternetErrorText(12002);
    return 12002;
  }
  const int result = InternetErrorCode(Code);
  ErrorText = ErrorBuffer[0] != 0 ? std::string(ErrorBuffer) : std::string(curl_easy_strerror(Code));
  if (ErrorText.empty()) ErrorText = GetInternetErrorText(result);
  return result;
}

std::string Authority(const std::string& Host, std::uint16_t Port) {
  return Port == 0 ? Host : Host + ":" + std::to_string(Port);
}

// Document with what cannot stand in an address escaped: blanks, control characters, bytes that are
// no ASCII, and "#" (which would end the path). What the address may hold stays, an escape written
// into it ("%20") among it.
std::string EscapeDocument(std::string_view Document) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string escaped;
  for (const char c : Document) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte > ' ' && byte < 0x7F && std::string_view("\"#<>\\^`{|}").find(c) == std::string_view::npos) {
      escaped += c;
    } else {
      escaped += '%';
      escaped += kHex[byte >> 4];
      escaped += kHex[byte & 15];
    }
  }
  return escaped;
}

bool IsNamePart(std::string_view Text) {
  return std::all_of(Text.begin(), Text.end(), [](char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '.';
  });
}

// Takes the text before Separator off Text when it is a name part (see ParseURL).
std::string TakePart(std::string& Text, std::string_view Separator) {
  const std::size_t at = Text.find(Separator);
  if (at == std::string::npos || !IsNamePart(std::string_view(Text).substr(0, at))) return {};
  std::string part = Text.substr(0, at);
  Text.erase(0, at + Separator.size());
  return part;
}

}  // namespace

TWebProxy& WebProxy() {
  static TWebProxy proxy;
  return proxy;
}

bool ParseURL(std::string_view URL, std::string& Protocol, std::string& User, std::uint16_t& Port,
              std::string& Document, std::string& Host, std::string& Password) {
  Protocol.clear();
  User.clear();
  Document.clear();
  Host.clear();
  Password.clear();
  Port = 0;
  while (!URL.empty() && static_cast<unsigned char>(URL.front()) <= ' ') URL.remove_prefix(1);
  while (!URL.empty() && static_cast<unsigned char>(URL.back()) <= ' ') URL.remove_suffix(1);
  std::string text(URL);
  if (!text.ends_with('/')) text += '/';
  // ":<digits>" just before the final "/".
  std::size_t digits = text.size() - 1;
  while (digits > 0 && text[digits - 1] >= '0' && text[digits - 1] <= '9') --digits;
  if (digits < text.size() - 1 && digits > 0 && text[digits - 1] == ':') {
    const std::string number = text.substr(digits, text.size() - 1 - digits);
    if (number.size() > 5 || std::stoul(number) > 65535) return false;
    Port = static_cast<std::uint16_t>(std::stoul(number));
    text = text.substr(0, digits - 1) + "/";
  }
  Protocol = TakePart(text, "://");
  User = TakePart(text, ":");
  Password = TakePart(text, "@");
  Host = TakePart(text, "/");
  Document = text.substr(0, text.size() - std::min<std::size_t>(text.size(), 1));
  return true;
}

std::string MakeMultipartBoundary() {
  static std::mutex lock;
  static std::mt19937 random{std::random_device{}()};
  std::uniform_int_distribution<int> number(0, 65534);
  const std::lock_guard guard(lock);
  std::string boundary(27, '-');
  for (int i = 0; i < 3; ++i) {
    const int value = number(random);
    for (int shift = 12; shift >= 0; shift -= 4) boundary += "0123456789ABCDEF"[value >> shift & 15];
  }
  return boundary;
}

void BuildMultipartBody(const TStrings& FilePaths, const TStrings& FileNames, const TStrings& FieldNames,
                        std::string& Body, std::string_view Boundary, const TStrings& FieldValues) {
  Body.clear();
  const std::string boundary(Boundary);
  for (int i = 0; i < std::min(FieldNames.Count(), FieldValues.Count()); ++i)
    Body += Format("--%s\r\nContent-Disposition: form-data; name=\"%s\";\r\n\r\n%s\r\n", boundary,
                   FieldNames.Strings(i), FieldValues.Strings(i));
  for (int i = 0; i < FilePaths.Count() && i < FileNames.Count(); ++i) {
    const std::optional<std::string> data = ReadFileBytes(FilePaths.Strings(i));
    if (!data) continue;
    Body += Format("--%s\r\nContent-Disposition: form-data; name=\"cr_upload_file_%d\"; filename=\"%s\";\r\n"
                   "Content-Type: application/octet-stream\r\n\r\n",
                   boundary, i, FileNames.Strings(i));
    Body += *data;
    Body += "\r\n";
  }
  Body += "--" + boundary + "--\r\n";
}

int HttpUploadFiles(const std::string& Host, const std::string& Document, const std::string& User,
                    const std::string& Password, std::uint16_t Port, bool UseHTTPS, const TStrings& FilePaths,
                    const TStrings& FileNames, const TStrings& FieldNames, const TStrings& FieldValues,
                    const TUploadProgress& OnProgress, std::string& ErrorText,
                    std::chrono::milliseconds ReplyLimit) {
  ErrorText.clear();
  const std::string boundary = MakeMultipartBoundary();
  std::string body;
  BuildMultipartBody(FilePaths, FileNames, FieldNames, body, boundary, FieldValues);
  TUpload upload(static_cast<std::int64_t>(body.size()), OnProgress);
  upload.Data = body;
  upload.ReplyLimit = ReplyLimit;

  char error_buffer[CURL_ERROR_SIZE] = {};
  TCurl curl = OpenTransfer(upload, error_buffer);
  if (!curl) return TransferFailure(upload, CURLE_FAILED_INIT, error_buffer, ErrorText);
  CURL* c = curl.get();
  const std::string url = (UseHTTPS ? "https://" : "http://") + Authority(Host, Port) + "/" + EscapeDocument(Document);
  curl_easy_setopt(c, CURLOPT_URL, url.c_str());
  curl_easy_setopt(c, CURLOPT_POST, 1L);
  curl_easy_setopt(c, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));
  THeaders headers(nullptr, &curl_slist_free_all);
  const auto add_header = [&](const std::string& Header) {
    headers.reset(curl_slist_append(headers.release(), Header.c_str()));
  };
  add_header("Content-Type: multipart/form-data; boundary=" + boundary);
  add_header("Expect:");  // the body follows at once, without waiting for "100 Continue"
  if (!User.empty() || !Password.empty()) add_header("Authorization: Basic " + Base64EncodeStr(User + ":" + Password));
  curl_easy_setopt(c, CURLOPT_HTTPHEADER, headers.get());
  std::string reason;
  curl_easy_setopt(c, CURLOPT_HEADERFUNCTION, &ReadHeader);
  curl_easy_setopt(c, CURLOPT_HEADERDATA, &reason);

  const CURLcode rc = curl_easy_perform(c);
  if (upload.Failure) std::rethrow_exception(upload.Failure);
  if (rc != CURLE_OK) return TransferFailure(upload, rc, error_buffer, ErrorText);
  long status = 0;
  curl_easy_getinfo(c, CURLINFO_RESPONSE_CODE, &status);
  if (status >= 200 && status <= 299) return 0;
  ErrorText = reason;
  return status > 0 ? static_cast<int>(status) : 2147483647;
}

int FtpUploadFiles(const std::string& Host, const std::string& Folder, const std::string& User,
                   const std::string& Password, std::uint16_t Port, const TStrings& FilePaths,
                   const TStrings& FileNames, const TUploadProgress& OnProgress, std::string& ErrorText,
                   std::chrono::milliseconds ReplyLimit) {
  ErrorText.clear();
  if (FilePaths.Count() == 0) return 0;
  std::vector<std::pair<std::string, std::string>> files;  // remote name, contents
  std::int64_t total = 0;
  for (int i = 0; i < FilePaths.Count() && i < FileNames.Count(); ++i) {
    std::optional<std::string> data = ReadFileBytes(FilePaths.Strings(i));
    if (!data) continue;
    std::string remote = Folder;
    if (!remote.empty() && !remote.ends_with('/')) remote += '/';
    files.emplace_back(remote + ExtractFileName(FileNames.Strings(i)), std::move(*data));
    total += static_cast<std::int64_t>(files.back().second.size());
  }
  TUpload upload(total, OnProgress);
  upload.ReplyLimit = ReplyLimit;

  char error_buffer[CURL_ERROR_SIZE] = {};
  TCurl curl = OpenTransfer(upload, error_buffer);
  if (!curl) return TransferFailure(upload, CURLE_FAILED_INIT, error_buffer, ErrorText);
  CURL* c = curl.get();
  curl_easy_setopt(c, CURLOPT_UPLOAD, 1L);
  if (!User.empty()) curl_easy_setopt(c, CURLOPT_USERNAME, User.c_str());
  if (!Password.empty()) curl_easy_setopt(c, CURLOPT_PASSWORD, Password.c_str());
  for (const auto& [remote, data] : files) {
    // Each folder and the name escaped, so blanks and "#" stay part of the name.
    std::string url = "ftp://" + Authority(Host, Port) + "/";
    for (std::size_t start = 0; start <= remote.size();) {
      const std::size_t end = std::min(remote.find('/', start), remote.size());
      char* escaped = curl_easy_escape(c, remote.data() + start, static_cast<int>(end - start));
      url += escaped ? escaped : "";
      curl_free(escaped);
      if (end < remote.size()) url += '/';
      start = end + 1;
    }
    curl_easy_setopt(c, CURLOPT_URL, url.c_str());
    curl_easy_setopt(c, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(data.size()));
    upload.Before += static_cast<std::int32_t>(upload.Sent);
    upload.Data = data;
    upload.Sent = 0;
    upload.AllSent.reset();
    error_buffer[0] = 0;
    const CURLcode rc = curl_easy_perform(c);
    if (upload.Failure) std::rethrow_exception(upload.Failure);
    if (rc != CURLE_OK) return TransferFailure(upload, rc, error_buffer, ErrorText);
  }
  return 0;
}

std::string GetInternetErrorText(int Code) {
  const std::string code = std::to_string(Code);
  for (const char* row : kInternetErrors)
    if (std::string_view(row).substr(0, 5) == code) return row + 6;
  return {};
}

}  // namespace lab
