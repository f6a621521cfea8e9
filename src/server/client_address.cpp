#include "server/client_address.h"

#include <arpa/inet.h>

#include <cstring>

namespace {

const int kNetworkBytes = 8;  // an IPv6 /64

bool mappedIpv4(const unsigned char bytes[16])
{
   static const unsigned char prefix[12] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xff, 0xff};
   return memcmp(bytes, prefix, sizeof prefix) == 0;
}

// Whether the text is an address of this machine's loopback: 127.0.0.0/8,
// also as an IPv4-mapped address, or ::1.
bool loopback(const std::string &text)
{
   unsigned char bytes[16] = {};
   if (inet_pton(AF_INET, text.c_str(), bytes) == 1)
      return bytes[0] == 127;
   if (inet_pton(AF_INET6, text.c_str(), bytes) != 1)
      return false;
   static const unsigned char one[16] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1};
   return memcmp(bytes, one, sizeof one) == 0 || (mappedIpv4(bytes) && bytes[12] == 127);
}

std::string ipv4Key(const unsigned char bytes[4])
{
   char text[INET_ADDRSTRLEN];
   inet_ntop(AF_INET, bytes, text, sizeof text);
   return text;
}

}  // namespace

std::optional<std::string> addressKey(const std::string &text)
{
   unsigned char bytes[16] = {};
   if (inet_pton(AF_INET, text.c_str(), bytes) == 1)
      return ipv4Key(bytes);
   if (inet_pton(AF_INET6, text.c_str(), bytes) != 1)
      return std::nullopt;
   if (mappedIpv4(bytes))
      return ipv4Key(bytes + 12);
   memset(bytes + kNetworkBytes, 0, sizeof bytes - kNetworkBytes);
   char network[INET6_ADDRSTRLEN];
   inet_ntop(AF_INET6, bytes, network, sizeof network);
   return std::string(network) + "/64";
}

std::string clientKey(const std::string &peer, const std::string &realIp)
{
   if (loopback(peer) && !realIp.empty()) {
      const std::optional<std::string> named = addressKey(realIp);
      if (named)
         return *named;
   }
   // The system names its peers; one it could not, apart and short.
   const std::optional<std::string> own = addressKey(peer);
   return own ? *own : peer.substr(0, kMostAddressKey);
}
