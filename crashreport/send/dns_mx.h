#pragma once
// Finding the mail exchanger of an e-mail domain: an MX query over UDP to each of the machine's DNS
// servers (those of /etc/resolv.conf, then a public resolver), and a reply parser that checks every
// bound, so a damaged or forged reply gives no host rather than a wrong one.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "platform/rtl/string_list.h"

namespace lab {

// Asked after the configured servers.
extern const char* const kFallbackDNSServer;

// The query (identifier Id, recursion desired) for the MX records of Domain; empty when Domain is no
// valid DNS name (an empty label, a label over 63 bytes, a name over 253).
std::string BuildMXQuery(std::string_view Domain, std::uint16_t Id);
// Reads the name at Offset of Packet into Name (labels joined by "."), following compression
// pointers (at most 32); Offset moves past the name where it stands. False for a name that runs past
// the packet, loops, uses a reserved label type or exceeds 255 bytes.
bool ReadDNSName(std::string_view Packet, std::size_t& Offset, std::string& Name);
// The exchanger of the first MX record among the answers of Reply; empty unless Reply is a whole,
// error-free response to the query Id.
std::string ParseMXReply(std::string_view Reply, std::uint16_t Id);

// The IPv4 "nameserver" addresses of resolv.conf text, in order ("0.0.0.0" left out).
void ParseDNSServers(std::string_view ResolvConf, TStrings* Servers);
// The servers of /etc/resolv.conf, then kFallbackDNSServer.
std::unique_ptr<TStringList> GetDNSServers();

// The mail exchanger of the domain of EmailAddress (the text after the first "@"), asked of each
// server in turn on Port, up to three times each, each attempt waiting (Timeout + 150) / 3 ms and
// 100 ms more than the one before for its reply (passing over replies to other queries). A reply
// without an exchanger ends the attempt. ECrashSocketError "Cannot resolve the "<domain>" MX
// record." when none names one.
std::string ResolveMXRecord(const std::string& EmailAddress, std::uint32_t Timeout, const TStrings& Servers,
                            std::uint16_t Port = 53);
// The same, asking GetDNSServers.
std::string ResolveMXRecord(const std::string& EmailAddress, std::uint32_t Timeout);

// How a direct mailing finds the exchanger: ResolveMXRecord unless a test put another lookup in
// place. SetMXLookup answers the one that was (an empty one puts ResolveMXRecord back).
using TMXLookup = std::function<std::string(const std::string& EmailAddress, std::uint32_t Timeout)>;
std::string LookupMXRecord(const std::string& EmailAddress, std::uint32_t Timeout);
TMXLookup SetMXLookup(TMXLookup Lookup);

}  // namespace lab
