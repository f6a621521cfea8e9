// Whom a request counts against, for the rate limit and the budget of
// play checked: the peer, or the player a reverse proxy on this machine
// names in X-Real-IP. One machine has one key however it writes its
// address: an IPv4 address as its dotted quad, an IPv4-mapped IPv6
// address as that IPv4 address, and an IPv6 address by its /64 network,
// which one subscriber is given whole.
#ifndef TOSSARO_SERVER_CLIENT_ADDRESS_H
#define TOSSARO_SERVER_CLIENT_ADDRESS_H

#include <optional>
#include <string>

// The longest key: an IPv6 network at its longest is 43 bytes.
const size_t kMostAddressKey = 64;

// The key of an address written as text; none when it is no address.
std::optional<std::string> addressKey(const std::string &text);

// The key a request from `peer` counts against: X-Real-IP's (`realIp`)
// when the peer is on the loopback and the header holds an address, else
// the peer's own.
std::string clientKey(const std::string &peer, const std::string &realIp);

#endif
