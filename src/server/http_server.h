// An HTTP/1.1 server for the open internet, on libmicrohttpd. One thread
// waits on every connection at once (epoll), so a slow or idle client
// holds a socket and never a thread; a complete request is answered by a
// pool of workers, and one that finds the pool's queue full is answered
// 503 at once. What a client may send is bounded: its time and its
// connections by the watch (connection_watch.h), its head to 100 fields
// and 64 KiB of them (431), its body to no Content-Encoding but identity
// (415) and to the server's limit, chunked or not (413).
#ifndef TOSSARO_SERVER_HTTP_SERVER_H
#define TOSSARO_SERVER_HTTP_SERVER_H

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <regex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "server/connection_watch.h"

struct MHD_Connection;
struct MHD_Daemon;

using HttpFields = std::vector<std::pair<std::string, std::string>>;

struct HttpRequest {
   std::string method;  // HEAD is taken as GET
   std::string path;  // decoded, without the query
   std::string peer;  // the connected address, as text
   HttpFields headers;
   HttpFields parameters;  // the query's, decoded
   std::string body;
   std::vector<std::string> matches;  // the route's groups; [0] the whole path

   // The first field of that name (any case), or "".
   std::string header(const std::string &name) const;
   bool hasParameter(const std::string &name) const;
   std::string parameter(const std::string &name) const;
};

struct HttpResponse {
   int status = 200;
   HttpFields headers;
   std::string body;

   void setHeader(const std::string &name, const std::string &value);
   void setContent(std::string content, const std::string &type);
};

class HttpServer {
public:
   using Handler = std::function<void(const HttpRequest &, HttpResponse &)>;
   // Fills in the body of an answer the server gives by itself, its status
   // set, for the reason given.
   using Refusal = std::function<void(const HttpRequest &, HttpResponse &, const std::string &)>;
   // Makes the answer to a request whose handler threw, told what failed.
   using Failure = Refusal;

   // `workers` answer requests at once; a body is at most `mostBody` bytes.
   HttpServer(size_t workers, size_t mostBody, ConnectionWatch::Deadlines deadlines = {});
   ~HttpServer();

   // Requests whose method is `method` and whose whole path matches
   // `pattern`. A handler that throws is answered 503 by the refusal.
   void route(const std::string &method, const std::string &pattern, Handler handler);
   // Headers every answer carries.
   void setDefaultHeaders(HttpFields headers);
   void setRefusal(Refusal refusal);
   void setFailure(Failure failure);

   // Listens on `host`:`port` (port 0: any free one); the port, or 0 with
   // the reason in `problem`.
   int listen(const std::string &host, int port, std::string *problem);
   // Serves until stop(); false with the reason when it cannot.
   bool start(std::string *problem);
   void stop();

private:
   struct Route;
   struct Exchange;
   friend struct HttpCallbacks;

   // False to close the connection.
   bool access(MHD_Connection *connection, const char *url, const char *method, const char *upload,
               size_t *uploadSize, void **context);
   void opened(MHD_Connection *connection);
   void finished(MHD_Connection *connection, void **context);
   void refuse(Exchange &exchange, int status, const std::string &reason);
   bool answer(MHD_Connection *connection, const HttpResponse &response);
   void work();
   void watch();

   const size_t mostBody_;
   std::vector<Route> routes_;
   HttpFields defaultHeaders_;
   Refusal refusal_;
   Failure failure_;
   int listener_ = -1;
   MHD_Daemon *daemon_ = nullptr;
   const unsigned mostConnections_;
   // Each connection by its library's handle; the event thread tells it
   // what they do, the watch thread cuts the overdue.
   ConnectionWatch watch_;
   std::mutex watchMutex_;
   bool watching_ = true;

   // Requests waiting for a worker; the event thread adds, workers take.
   std::mutex workMutex_;
   std::condition_variable workReady_;
   std::deque<std::pair<MHD_Connection *, Exchange *>> waiting_;
   size_t mostWaiting_;
   bool stopping_ = false;
   std::vector<std::thread> workers_;
   std::thread watcher_;
   std::condition_variable watchWake_;
};

#endif
