// The HTTP server in the test's own process, on loopback: its routes, the
// refusals it makes itself, its queue of requests for the workers, and a
// stop that answers every request it took.
#include <gtest/gtest.h>
#include <httplib.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <stdexcept>
#include <thread>

#include "server/http_server.h"
#include "support/raw_connection.h"

namespace {

TEST(HttpServer, RoutesAnswersAndRefusesWithTheHeadersOfEveryAnswer)
{
   HttpServer http(2, 16);
   http.route("GET", "/echo/([a-z]+)", [](const HttpRequest &q, HttpResponse &r) {
      r.setContent(q.matches[1] + " " + q.parameter("x") + " " + q.header("x-a"), "text/plain");
   });
   http.route("POST", "/size", [](const HttpRequest &q, HttpResponse &r) {
      r.setContent(std::to_string(q.body.size()), "text/plain");
   });
   http.route("GET", "/fail", [](const HttpRequest &, HttpResponse &r) -> void {
      r.setHeader("X-Half", "made");
      throw std::runtime_error("no disk");
   });
   http.setDefaultHeaders({{"X-Everywhere", "yes"}});
   std::string failed;
   http.setFailure([&](const HttpRequest &, HttpResponse &r, const std::string &what) {
      failed = what;
      r.setContent("sorry\n", "text/plain");
   });
   std::string why;
   const int port = http.listen("127.0.0.1", 0, &why);
   ASSERT_NE(port, 0) << why;
   ASSERT_TRUE(http.start(&why)) << why;
   httplib::Client client("127.0.0.1", port);
   const auto echo = client.Get("/echo/abc?x=1", {{"X-A", "b"}});
   ASSERT_TRUE(echo);
   EXPECT_EQ(echo->status, 200);
   EXPECT_EQ(echo->body, "abc 1 b");
   EXPECT_EQ(echo->get_header_value("X-Everywhere"), "yes");
   const auto head = client.Head("/echo/abc");
   ASSERT_TRUE(head);
   EXPECT_EQ(head->status, 200);
   EXPECT_EQ(head->body, "");
   const auto none = client.Get("/echo/ABC");
   ASSERT_TRUE(none);
   EXPECT_EQ(none->status, 404);
   EXPECT_EQ(none->body, "no such page\n");
   EXPECT_EQ(none->get_header_value("X-Everywhere"), "yes");
   EXPECT_EQ(client.Post("/size", std::string(16, 'x'), "text/plain")->body, "16");
   EXPECT_EQ(client.Post("/size", std::string(17, 'x'), "text/plain")->status, 413);
   const auto fail = client.Get("/fail");
   ASSERT_TRUE(fail);
   EXPECT_EQ(fail->status, 503);
   EXPECT_EQ(fail->body, "sorry\n");
   EXPECT_FALSE(fail->has_header("X-Half")) << "nothing of the failed answer is sent";
   EXPECT_EQ(failed, "no disk");
}

// A reverse proxy on this machine connects from the loopback's own
// address, however it writes it, with every player's requests: it has no
// limit of connections.
TEST(HttpServer, ListensOnIpv6AndTakesAnyNumberOfConnectionsFromTheProxy)
{
   for (const std::string host : {"::1", "::ffff:127.0.0.1", "127.0.0.1"}) {
      HttpServer http(1, 16);
      http.route("GET", "/", [](const HttpRequest &, HttpResponse &r) {
         r.setContent("served", "text/plain");
      });
      std::string why;
      const int port = http.listen(host, 0, &why);
      ASSERT_NE(port, 0) << host << ": " << why;
      ASSERT_TRUE(http.start(&why)) << why;
      // Each sends part of a head; one turned away would be closed at once.
      std::vector<std::unique_ptr<RawConnection>> open;
      for (int i = 0; i < 12; i++) {
         open.push_back(
            std::make_unique<RawConnection>(port, "", host == "::1" ? host : "127.0.0.1"));
         open.back()->send("GET / HTTP/1.1\r\n");
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(300));
      int kept = 0;
      for (const auto &connection : open)
         kept += connection->open();
      EXPECT_EQ(kept, 12) << host;
      const auto got = httplib::Client(host == "::1" ? "::1" : "127.0.0.1", port).Get("/");
      ASSERT_TRUE(got) << host;
      EXPECT_EQ(got->body, "served");
   }
}

TEST(HttpServer, TurnsAwayWhatFindsItsWorkersQueueFullAndAnswersAllItTookAtAStop)
{
   // One worker, held; four requests may wait for it.
   HttpServer http(1, 16);
   std::mutex gate;
   std::condition_variable opened;
   bool open = false;
   std::atomic<int> held{0};
   http.route("GET", "/slow", [&](const HttpRequest &, HttpResponse &r) {
      held++;
      std::unique_lock<std::mutex> lock(gate);
      opened.wait(lock, [&] { return open; });
      r.setContent("done", "text/plain");
   });
   http.route("GET", "/quick",
              [](const HttpRequest &, HttpResponse &r) { r.setContent("quick", "text/plain"); });
   std::string why;
   const int port = http.listen("127.0.0.1", 0, &why);
   ASSERT_NE(port, 0) << why;
   ASSERT_TRUE(http.start(&why)) << why;
   std::vector<int> statuses(5, 0);
   std::vector<std::thread> slow;
   for (int i = 0; i < 5; i++)
      slow.emplace_back([&, i] {
         httplib::Client client("127.0.0.1", port);
         client.set_read_timeout(60);
         const auto got = client.Get("/slow");
         statuses[size_t(i)] = got ? got->status : -1;
      });
   // The worker held first, whatever the order the requests come in.
   for (int tries = 0; tries < 1000 && held == 0; tries++)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
   // Once the queue is full, the next is answered 503 at once. Each try
   // that waits is left in the queue: it fills all the same.
   httplib::Client client("127.0.0.1", port);
   client.set_read_timeout(0, 200000);
   int turnedAway = 0;
   std::string retry;
   for (int tries = 0; tries < 200 && turnedAway == 0; tries++) {
      const auto got = client.Get("/quick");
      if (got && got->status == 503) {
         turnedAway++;
         retry = got->get_header_value("Retry-After");
      }
   }
   EXPECT_EQ(turnedAway, 1);
   EXPECT_EQ(retry, "5");
   EXPECT_EQ(held.load(), 1);
   // A stop answers them all: the one held once it is let go, those
   // waiting with 503.
   std::thread stopper([&] { http.stop(); });
   std::this_thread::sleep_for(std::chrono::milliseconds(100));
   {
      std::lock_guard<std::mutex> lock(gate);
      open = true;
   }
   opened.notify_all();
   stopper.join();
   for (std::thread &t : slow)
      t.join();
   int done = 0, stopped = 0;
   for (int status : statuses) {
      done += status == 200;
      stopped += status == 503;
   }
   EXPECT_EQ(done + stopped, 5);
   EXPECT_GE(done, 1);
}

TEST(HttpServer, CutsAConnectionWhoseHeadIsLateAndServesTheNext)
{
   ConnectionWatch::Deadlines quick;
   quick.head = std::chrono::seconds(1);
   quick.body = std::chrono::seconds(1);
   HttpServer http(1, 16, quick);
   http.route("GET", "/",
              [](const HttpRequest &, HttpResponse &r) { r.setContent("on time", "text/plain"); });
   // A request being answered has no deadline, however long it takes.
   http.route("GET", "/long", [](const HttpRequest &, HttpResponse &r) {
      std::this_thread::sleep_for(std::chrono::milliseconds(2500));
      r.setContent("long", "text/plain");
   });
   std::string why;
   const int port = http.listen("127.0.0.1", 0, &why);
   ASSERT_NE(port, 0) << why;
   ASSERT_TRUE(http.start(&why)) << why;
   // Held past the deadline, it is closed without an answer.
   RawConnection late(port);
   late.send("GET / HTTP/1.1\r\nHost: t\r\n");
   EXPECT_EQ(late.status(), "closed");
   const auto next = httplib::Client("127.0.0.1", port).Get("/");
   ASSERT_TRUE(next);
   EXPECT_EQ(next->body, "on time");
   httplib::Client patient("127.0.0.1", port);
   patient.set_read_timeout(30);
   const auto slow = patient.Get("/long");
   ASSERT_TRUE(slow);
   EXPECT_EQ(slow->body, "long");
}

}  // namespace
