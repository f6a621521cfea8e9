#include "support/raw_connection.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

namespace {

// The address `text`:`port`, IPv4 or IPv6; its length.
socklen_t addressOf(const std::string &text, int port, sockaddr_storage *address)
{
   *address = {};
   if (text.find(':') != std::string::npos) {
      auto *six = reinterpret_cast<sockaddr_in6 *>(address);
      six->sin6_family = AF_INET6;
      six->sin6_port = htons(uint16_t(port));
      inet_pton(AF_INET6, text.c_str(), &six->sin6_addr);
      return sizeof *six;
   }
   auto *four = reinterpret_cast<sockaddr_in *>(address);
   four->sin_family = AF_INET;
   four->sin_port = htons(uint16_t(port));
   inet_pton(AF_INET, text.c_str(), &four->sin_addr);
   return sizeof *four;
}

}  // namespace

RawConnection::RawConnection(int port, const std::string &from, const std::string &to)
{
   sockaddr_storage address;
   const socklen_t length = addressOf(to, port, &address);
   socket_ = socket(address.ss_family, SOCK_STREAM, 0);
   if (!from.empty()) {
      sockaddr_storage own;
      const socklen_t ownLength = addressOf(from, 0, &own);
      if (bind(socket_, reinterpret_cast<sockaddr *>(&own), ownLength) != 0)
         return;
   }
   connected_ = connect(socket_, reinterpret_cast<sockaddr *>(&address), length) == 0;
   // A server that holds on is a failure, not a test that never ends.
   const timeval patience = {10, 0};
   setsockopt(socket_, SOL_SOCKET, SO_RCVTIMEO, &patience, sizeof patience);
}

RawConnection::~RawConnection()
{
   close(socket_);
}

bool RawConnection::send(const std::string &bytes)
{
   return ::send(socket_, bytes.data(), bytes.size(), MSG_NOSIGNAL) == ssize_t(bytes.size());
}

std::string RawConnection::status()
{
   std::string answer;
   char buffer[4096];
   ssize_t got = 0;
   while (answer.find("\r\n") == std::string::npos &&
          (got = recv(socket_, buffer, sizeof buffer, 0)) > 0)
      answer.append(buffer, size_t(got));
   if (answer.find("\r\n") != std::string::npos)
      return answer.substr(0, answer.find("\r\n"));
   return answer.empty() && got < 0 && errno == EAGAIN ? "held" : "closed";
}

bool RawConnection::open() const
{
   char byte;
   return recv(socket_, &byte, 1, MSG_DONTWAIT) < 0 && errno == EAGAIN;
}
