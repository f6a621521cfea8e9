// A TCP connection of a test's own to a server on the loopback, for the
// requests and the slowness no client library gives.
#ifndef TOSSARO_TESTS_RAW_CONNECTION_H
#define TOSSARO_TESTS_RAW_CONNECTION_H

#include <string>

class RawConnection {
public:
   // Connects to `to`:`port` (an IPv4 or IPv6 address), from the address
   // `from` of the same family when one is given.
   RawConnection(int port, const std::string &from = "", const std::string &to = "127.0.0.1");
   ~RawConnection();
   RawConnection(const RawConnection &) = delete;
   RawConnection &operator=(const RawConnection &) = delete;

   bool connected() const { return connected_; }
   // False once the server has stopped taking it.
   bool send(const std::string &bytes);
   // The answer's status line, or how the connection ended without one:
   // "closed", or "held" after 10 s of silence.
   std::string status();
   // Whether the server has left it open, said without waiting.
   bool open() const;

private:
   int socket_;
   bool connected_ = false;
};

#endif
