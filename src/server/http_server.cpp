#include "server/http_server.h"

#include <microhttpd.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <strings.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>

#include "server/client_address.h"

namespace {

using Clock = ConnectionWatch::Clock;

const size_t kMostFields = 100;
const size_t kMostHeaderBytes = 64 * 1024;
// Room for the most header bytes allowed and the library's bookkeeping
// of them; a head past it is answered 431 by the library itself.
const size_t kConnectionMemory = 128 * 1024;
// Silence while an answer goes out, after which the library closes.
const unsigned kSilentSeconds = 30;
const unsigned kMostConnections = 4096;
// Requests that may wait for a worker, for each worker.
const size_t kWaitingPerWorker = 4;

bool sameName(const std::string &a, const std::string &b)
{
   return strcasecmp(a.c_str(), b.c_str()) == 0;
}

const std::string *fieldOf(const HttpFields &fields, const std::string &name)
{
   for (const auto &field : fields)
      if (sameName(field.first, name))
         return &field.second;
   return nullptr;
}

std::string addressText(const sockaddr *address)
{
   char text[NI_MAXHOST] = "";
   const socklen_t length =
      address->sa_family == AF_INET6 ? sizeof(sockaddr_in6) : sizeof(sockaddr_in);
   getnameinfo(address, length, text, sizeof text, nullptr, 0, NI_NUMERICHOST);
   return text;
}

// Where a reverse proxy on this machine connects from: it carries many
// players' connections, so it has no limit of its own.
bool proxyAddress(const sockaddr *address)
{
   if (address->sa_family == AF_INET)
      return ntohl(reinterpret_cast<const sockaddr_in *>(address)->sin_addr.s_addr) ==
             INADDR_LOOPBACK;
   if (address->sa_family != AF_INET6)
      return false;
   const in6_addr &six = reinterpret_cast<const sockaddr_in6 *>(address)->sin6_addr;
   if (IN6_IS_ADDR_LOOPBACK(&six))
      return true;
   static const uint8_t kMappedLoopback[16] = {0, 0, 0,    0,    0,   0, 0, 0,
                                               0, 0, 0xff, 0xff, 127, 0, 0, 1};
   return memcmp(six.s6_addr, kMappedLoopback, 16) == 0;
}

// The key connections from `address` count against; "" for the proxy's.
std::string connectionKey(const sockaddr *address)
{
   if (proxyAddress(address))
      return "";
   const std::string text = addressText(address);
   return addressKey(text).value_or(text);
}

MHD_Result collect(void *fields, MHD_ValueKind, const char *name, const char *value)
{
   static_cast<HttpFields *>(fields)->emplace_back(name, value ? value : "");
   return MHD_YES;
}

// Each connection is a file: take all the system gives, keeping room for
// the database, the clips and the workers.
unsigned openableConnections()
{
   rlimit files = {};
   if (getrlimit(RLIMIT_NOFILE, &files) != 0)
      files.rlim_cur = files.rlim_max = 1024;
   if (files.rlim_cur < files.rlim_max) {
      rlimit raised = files;
      raised.rlim_cur = files.rlim_max;
      if (setrlimit(RLIMIT_NOFILE, &raised) == 0)
         files = raised;
   }
   return unsigned(std::min<rlim_t>(kMostConnections, std::max<rlim_t>(files.rlim_cur, 128) - 64));
}

std::string describeBytes(size_t bytes)
{
   if (bytes % (1 << 20) == 0)
      return std::to_string(bytes >> 20) + " MiB (" + std::to_string(bytes) + " bytes)";
   return std::to_string(bytes) + " bytes";
}

}  // namespace

struct HttpServer::Route {
   std::string method;
   std::regex pattern;
   Handler handler;
};

struct HttpServer::Exchange {
   HttpRequest request;
   HttpResponse response;
   const Route *route = nullptr;
   bool overLimit = false;  // the body went past the limit and is thrown away
   bool ready = false;  // the response is made
};

// The library's callbacks, on its event thread.
struct HttpCallbacks {
   static MHD_Result access(void *server, MHD_Connection *connection, const char *url,
                            const char *method, const char *, const char *upload,
                            size_t *uploadSize, void **context)
   {
      return static_cast<HttpServer *>(server)->access(connection, url, method, upload, uploadSize,
                                                       context)
                ? MHD_YES
                : MHD_NO;
   }

   static MHD_Result admit(void *server, const sockaddr *address, socklen_t)
   {
      return static_cast<HttpServer *>(server)->watch_.admits(connectionKey(address)) ? MHD_YES
                                                                                      : MHD_NO;
   }

   static void connection(void *server, MHD_Connection *connection, void **,
                          MHD_ConnectionNotificationCode what)
   {
      HttpServer &self = *static_cast<HttpServer *>(server);
      if (what == MHD_CONNECTION_NOTIFY_STARTED)
         self.opened(connection);
      else
         // Told before the library closes the socket: the watch never cuts
         // a socket once closed, or one a later connection reuses.
         self.watch_.closed(connection);
   }

   static void completed(void *server, MHD_Connection *connection, void **context,
                         MHD_RequestTerminationCode)
   {
      static_cast<HttpServer *>(server)->finished(connection, context);
   }
};

std::string HttpRequest::header(const std::string &name) const
{
   const std::string *value = fieldOf(headers, name);
   return value ? *value : std::string();
}

bool HttpRequest::hasParameter(const std::string &name) const
{
   for (const auto &field : parameters)
      if (field.first == name)
         return true;
   return false;
}

std::string HttpRequest::parameter(const std::string &name) const
{
   for (const auto &field : parameters)
      if (field.first == name)
         return field.second;
   return std::string();
}

void HttpResponse::setHeader(const std::string &name, const std::string &value)
{
   for (auto &field : headers)
      if (sameName(field.first, name)) {
         field.second = value;
         return;
      }
   headers.emplace_back(name, value);
}

void HttpResponse::setContent(std::string content, const std::string &type)
{
   body = std::move(content);
   setHeader("Content-Type", type);
}

HttpServer::HttpServer(size_t workers, size_t mostBody, ConnectionWatch::Deadlines deadlines)
    : mostBody_(mostBody), mostConnections_(openableConnections()),
      watch_(mostConnections_, deadlines), mostWaiting_(workers * kWaitingPerWorker)
{
   workers_.resize(workers);
   refusal_ = [](const HttpRequest &, HttpResponse &response, const std::string &reason) {
      response.setContent(reason + "\n", "text/plain; charset=utf-8");
   };
}

HttpServer::~HttpServer()
{
   stop();
   if (listener_ >= 0)
      close(listener_);
}

void HttpServer::route(const std::string &method, const std::string &pattern, Handler handler)
{
   routes_.push_back(Route{method, std::regex(pattern), std::move(handler)});
}

void HttpServer::setDefaultHeaders(HttpFields headers)
{
   defaultHeaders_ = std::move(headers);
}

void HttpServer::setRefusal(Refusal refusal)
{
   refusal_ = std::move(refusal);
}

void HttpServer::setFailure(Failure failure)
{
   failure_ = std::move(failure);
}

int HttpServer::listen(const std::string &host, int port, std::string *problem)
{
   addrinfo hints = {};
   hints.ai_family = AF_UNSPEC;
   hints.ai_socktype = SOCK_STREAM;
   hints.ai_flags = AI_PASSIVE | AI_NUMERICSERV;
   addrinfo *found = nullptr;
   const int lookup = getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found);
   if (lookup != 0) {
      *problem = gai_strerror(lookup);
      return 0;
   }
   const int socket = ::socket(found->ai_family, found->ai_socktype | SOCK_CLOEXEC, 0);
   // One server on an address: a second one fails to bind rather than
   // share the port.
   const int yes = 1;
   const bool bound =
      socket >= 0 && setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes) == 0 &&
      bind(socket, found->ai_addr, found->ai_addrlen) == 0 && ::listen(socket, SOMAXCONN) == 0;
   freeaddrinfo(found);
   sockaddr_storage address = {};
   socklen_t length = sizeof address;
   if (!bound || getsockname(socket, reinterpret_cast<sockaddr *>(&address), &length) != 0) {
      *problem = strerror(errno);
      if (socket >= 0)
         close(socket);
      return 0;
   }
   listener_ = socket;
   return ntohs(address.ss_family == AF_INET6
                   ? reinterpret_cast<sockaddr_in6 *>(&address)->sin6_port
                   : reinterpret_cast<sockaddr_in *>(&address)->sin_port);
}

bool HttpServer::start(std::string *problem)
{
   daemon_ = MHD_start_daemon(
      MHD_USE_INTERNAL_POLLING_THREAD | MHD_USE_EPOLL | MHD_ALLOW_SUSPEND_RESUME, 0,
      HttpCallbacks::admit, this, HttpCallbacks::access, this, MHD_OPTION_LISTEN_SOCKET, listener_,
      MHD_OPTION_CONNECTION_LIMIT, mostConnections_, MHD_OPTION_CONNECTION_TIMEOUT, kSilentSeconds,
      MHD_OPTION_CONNECTION_MEMORY_LIMIT, kConnectionMemory, MHD_OPTION_NOTIFY_CONNECTION,
      HttpCallbacks::connection, this, MHD_OPTION_NOTIFY_COMPLETED, HttpCallbacks::completed, this,
      MHD_OPTION_END);
   if (!daemon_) {
      *problem = "the HTTP library would not start";
      return false;
   }
   for (std::thread &worker : workers_)
      worker = std::thread([this] { work(); });
   watcher_ = std::thread([this] { watch(); });
   return true;
}

void HttpServer::stop()
{
   if (!daemon_)
      return;
   MHD_quiesce_daemon(daemon_);
   {
      std::lock_guard<std::mutex> lock(workMutex_);
      stopping_ = true;
   }
   workReady_.notify_all();
   for (std::thread &worker : workers_)
      worker.join();
   {
      std::lock_guard<std::mutex> lock(watchMutex_);
      watching_ = false;
      watchWake_.notify_all();
   }
   watcher_.join();
   // Every suspended connection was resumed by its worker; the answers
   // made go out before the connections close, unless a client stops
   // reading.
   const Clock::time_point giveUp = Clock::now() + std::chrono::seconds(5);
   while (watch_.unanswered() > 0 && Clock::now() < giveUp)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
   MHD_stop_daemon(daemon_);
   daemon_ = nullptr;
}

void HttpServer::opened(MHD_Connection *connection)
{
   const int socket =
      MHD_get_connection_info(connection, MHD_CONNECTION_INFO_CONNECTION_FD)->connect_fd;
   // An answer goes out at once, not after the client's delayed
   // acknowledgement of the last one (Nagle's algorithm).
   const int yes = 1;
   setsockopt(socket, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
   watch_.opened(
      connection, socket,
      connectionKey(
         MHD_get_connection_info(connection, MHD_CONNECTION_INFO_CLIENT_ADDRESS)->client_addr),
      Clock::now());
}

void HttpServer::finished(MHD_Connection *connection, void **context)
{
   delete static_cast<Exchange *>(*context);
   *context = nullptr;
   watch_.answered(connection, Clock::now());
}

void HttpServer::refuse(Exchange &exchange, int status, const std::string &reason)
{
   exchange.response = HttpResponse();
   exchange.response.status = status;
   refusal_(exchange.request, exchange.response, reason);
   exchange.ready = true;
}

bool HttpServer::answer(MHD_Connection *connection, const HttpResponse &response)
{
   MHD_Response *made = MHD_create_response_from_buffer(
      response.body.size(), const_cast<char *>(response.body.data()), MHD_RESPMEM_MUST_COPY);
   if (!made)
      return false;
   for (const auto &field : defaultHeaders_)
      MHD_add_response_header(made, field.first.c_str(), field.second.c_str());
   for (const auto &field : response.headers)
      MHD_add_response_header(made, field.first.c_str(), field.second.c_str());
   const MHD_Result queued = MHD_queue_response(connection, unsigned(response.status), made);
   MHD_destroy_response(made);
   watch_.answering(connection);
   return queued == MHD_YES;
}

bool HttpServer::access(MHD_Connection *connection, const char *url, const char *method,
                        const char *upload, size_t *uploadSize, void **context)
{
   Exchange *exchange = static_cast<Exchange *>(*context);
   if (!exchange) {
      // The head is in: bound it, and what it says of the body.
      exchange = new Exchange;
      *context = exchange;
      HttpRequest &request = exchange->request;
      request.method = strcmp(method, "HEAD") == 0 ? "GET" : method;
      request.path = url;
      request.peer = addressText(
         MHD_get_connection_info(connection, MHD_CONNECTION_INFO_CLIENT_ADDRESS)->client_addr);
      MHD_get_connection_values(connection, MHD_HEADER_KIND, collect, &request.headers);
      MHD_get_connection_values(connection, MHD_GET_ARGUMENT_KIND, collect, &request.parameters);
      watch_.headIn(connection, Clock::now());
      size_t headerBytes = 0;
      for (const auto &field : request.headers)
         headerBytes += field.first.size() + field.second.size() + 4;
      const std::string encoding = request.header("Content-Encoding");
      const std::string length = request.header("Content-Length");
      if (request.headers.size() > kMostFields || headerBytes > kMostHeaderBytes)
         refuse(*exchange, 431,
                "at most " + std::to_string(kMostFields) + " header fields and " +
                   describeBytes(kMostHeaderBytes) + " of them");
      else if (!encoding.empty() && !sameName(encoding, "identity"))
         refuse(*exchange, 415, "send the body as it is, with no Content-Encoding");
      else if (!length.empty() &&
               (length.size() > 18 || length.find_first_not_of("0123456789") != std::string::npos ||
                std::stoull(length) > mostBody_)) {
         // A client that waits to be asked for its body is told at once;
         // one that sends it anyway would not read an answer given before
         // it is done, so its body is thrown away as it comes.
         if (sameName(request.header("Expect"), "100-continue"))
            refuse(*exchange, 413, "the body is over " + describeBytes(mostBody_));
         else
            exchange->overLimit = true;
      }
      return exchange->ready ? answer(connection, exchange->response) : true;
   }
   if (*uploadSize != 0) {
      if (!exchange->overLimit && exchange->request.body.size() + *uploadSize > mostBody_) {
         exchange->overLimit = true;
         std::string().swap(exchange->request.body);
      }
      if (!exchange->overLimit)
         exchange->request.body.append(upload, *uploadSize);
      *uploadSize = 0;
      return true;
   }
   if (exchange->ready)
      return answer(connection, exchange->response);
   if (exchange->overLimit) {
      refuse(*exchange, 413, "the body is over " + describeBytes(mostBody_));
      return answer(connection, exchange->response);
   }
   HttpRequest &request = exchange->request;
   for (const Route &route : routes_) {
      std::smatch matches;
      if (route.method != request.method || !std::regex_match(request.path, matches, route.pattern))
         continue;
      exchange->route = &route;
      request.matches.assign(matches.begin(), matches.end());
      break;
   }
   if (!exchange->route) {
      refuse(*exchange, 404, "no such page");
      return answer(connection, exchange->response);
   }
   bool queued = false;
   {
      std::lock_guard<std::mutex> lock(workMutex_);
      if (waiting_.size() < mostWaiting_ && !stopping_) {
         // Suspended before a worker may resume it.
         MHD_suspend_connection(connection);
         waiting_.emplace_back(connection, exchange);
         workReady_.notify_one();
         queued = true;
      }
   }
   if (queued) {
      watch_.working(connection);
      return true;
   }
   refuse(*exchange, 503, "busy: ask again in a few seconds");
   exchange->response.setHeader("Retry-After", "5");
   return answer(connection, exchange->response);
}

void HttpServer::work()
{
   for (;;) {
      std::unique_lock<std::mutex> lock(workMutex_);
      workReady_.wait(lock, [this] { return stopping_ || !waiting_.empty(); });
      if (waiting_.empty())
         return;
      const auto [connection, exchange] = waiting_.front();
      waiting_.pop_front();
      const bool stopping = stopping_;
      lock.unlock();
      if (stopping) {
         refuse(*exchange, 503, "the server is stopping");
      } else {
         try {
            exchange->route->handler(exchange->request, exchange->response);
            exchange->ready = true;
         } catch (const std::exception &error) {
            refuse(*exchange, 503, "the server failed");
            if (failure_)
               failure_(exchange->request, exchange->response, error.what());
         }
      }
      MHD_resume_connection(connection);
   }
}

void HttpServer::watch()
{
   std::unique_lock<std::mutex> lock(watchMutex_);
   while (watching_) {
      watchWake_.wait_for(lock, std::chrono::seconds(1));
      // The library sees the end of the stream and closes the connection.
      watch_.cutOverdue(Clock::now(), [](int socket) { shutdown(socket, SHUT_RDWR); });
   }
}
