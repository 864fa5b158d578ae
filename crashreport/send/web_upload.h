#pragma once
// Uploading a report's files through libcurl: a multipart/form-data POST over HTTP or HTTPS, or file
// by file over FTP (passive, binary). Failures come back as codes of the Internet error table below
// (a transport failure), or as the HTTP status, with a text that tells what went wrong.

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace lab {

class TStrings;

// Stage 0 before connecting, 1 once connected, 2 while data is written (Position bytes of Total).
using TUploadProgress = std::function<void(std::uint8_t Stage, std::int32_t Total, std::int32_t Position)>;

// The proxy for uploads; empty (the default) leaves the system's proxy settings (the usual
// *_proxy environment variables) in force.
struct TWebProxy {
  std::string Address, User, Password;
};
TWebProxy& WebProxy();

// Splits an upload address: the port from ":<digits>" at its end, then the protocol (before "://"),
// the user (before ":"), the password (before "@") and the host (before "/"), each only where the
// text before its separator is letters, digits, "-" and "." alone; the rest is the document. False
// when the port is no valid number.
bool ParseURL(std::string_view URL, std::string& Protocol, std::string& User, std::uint16_t& Port,
              std::string& Document, std::string& Host, std::string& Password);

// 27 "-" and three random 4-digit hexadecimal numbers.
std::string MakeMultipartBoundary();
// The form: each field (as many as both lists have), then each existing file of FilePaths as the part
// "cr_upload_file_<index>" under the name of the same index in FileNames, then the closing boundary.
void BuildMultipartBody(const TStrings& FilePaths, const TStrings& FileNames, const TStrings& FieldNames,
                        std::string& Body, std::string_view Boundary, const TStrings& FieldValues);

// How long a server may take over its whole answer to what was sent (a reply, and an FTP server's
// answer to each command).
inline constexpr std::chrono::milliseconds kUploadReplyLimit{30000};

// 0 when the server answered 2xx; else the transport failure's code (ErrorText: what libcurl or the
// server said, else the code's text) or the HTTP status (ErrorText: the status line's reason); 12002
// when the server's answer took longer than ReplyLimit. Document is sent as written, with what cannot
// stand in an address (blanks, other bytes that are no printable ASCII) escaped. The server's
// certificate is checked against the system's authorities, or those of the file that SSL_CERT_FILE
// names.
int HttpUploadFiles(const std::string& Host, const std::string& Document, const std::string& User,
                    const std::string& Password, std::uint16_t Port, bool UseHTTPS, const TStrings& FilePaths,
                    const TStrings& FileNames, const TStrings& FieldNames, const TStrings& FieldValues,
                    const TUploadProgress& OnProgress, std::string& ErrorText,
                    std::chrono::milliseconds ReplyLimit = kUploadReplyLimit);
// Each existing file goes to <Folder>/<file part of its name in FileNames>, relative to the login's
// folder. 0 on success (also for no files); else as HttpUploadFiles.
int FtpUploadFiles(const std::string& Host, const std::string& Folder, const std::string& User,
                   const std::string& Password, std::uint16_t Port, const TStrings& FilePaths,
                   const TStrings& FileNames, const TUploadProgress& OnProgress, std::string& ErrorText,
                   std::chrono::milliseconds ReplyLimit = kUploadReplyLimit);

// The text of an Internet error code ("The request has timed out." for 12002); empty for a code
// outside the table.
std::string GetInternetErrorText(int Code);

}  // namespace lab
