// The leaderboard under load: SUBMISSIONS distinct replays (the recorded
// games under names of their own) sent by 16 clients at once to a real
// tossaro-server on loopback, for each DATABASE given; then the top-100
// page fetched one at a time. Prints the submissions accepted a second,
// the p50 and p99 of their latency, whether the rows in the database
// equal the 201s, and the page's median and p99.
// Each submission names an address of its own in X-Real-IP (which the
// server takes from the loopback, as from a proxy): the rate limit is
// for players, and this is a thousand of them.
// Then, against the first DATABASE, costly submissions: long games made
// by the rules (--long-games of up to --long-ticks ticks each), 20 of
// them sent one at a time and then two at a time, to a server with one
// checker and to one with two. Prints the games checked a second and the
// time two at a time took of the time one at a time took.
// Then a flood: 8 addresses sending the long games forged (the last
// score changed, so that each is refused only at its last tick) without
// pause, while players send 20-second games one at a time: their median
// and p99.
// Then slow clients: 200 connections from 200 addresses of the loopback,
// each holding a request head it never ends, while /healthz is asked 100
// times on connections of its own and 100 times on one kept alive: their
// median and p99.
// Then, for each DATABASE, the table grown to a million runs (--rows) by
// the bench, and 200 submissions sent one at a time: their latency, p50
// and p99.
// usage: leaderboard_bench [--submissions N] [--game PATH] [--long-games N]
//                          [--long-ticks N] [--rows N] SERVER DATABASE...
#include <httplib.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "files/input_file.h"
#include "long_games.h"
#include "million_rows.h"
#include "replay/replay_file.h"

namespace {

using Clock = std::chrono::steady_clock;
const int kClients = 16;
const int kPageFetches = 200;
const int kCostlySubmissions = 20;

double milliseconds(Clock::duration d)
{
   return std::chrono::duration<double, std::milli>(d).count();
}

double percentile(std::vector<double> values, double p)
{
   if (values.empty())
      return 0;
   std::sort(values.begin(), values.end());
   return values[std::min(values.size() - 1, size_t(p * double(values.size())))];
}

// The server on any free port; its port, or 0 when it did not say.
// `checkers` of 0 leaves the server its default, one a core.
pid_t startServer(const std::string &server, const std::string &database, const std::string &game,
                  unsigned checkers, int *port)
{
   int out[2];
   if (pipe(out) != 0)
      return -1;
   const pid_t pid = fork();
   if (pid == 0) {
      dup2(out[1], 1);
      close(out[0]);
      const std::string count = std::to_string(checkers);
      if (checkers)
         execl(server.c_str(), server.c_str(), "--listen", "127.0.0.1:0", "--database",
               database.c_str(), "--game", game.c_str(), "--checkers", count.c_str(),
               static_cast<char *>(nullptr));
      else
         execl(server.c_str(), server.c_str(), "--listen", "127.0.0.1:0", "--database",
               database.c_str(), "--game", game.c_str(), static_cast<char *>(nullptr));
      _exit(127);
   }
   close(out[1]);
   FILE *said = fdopen(out[0], "r");
   char line[256] = "";
   *port =
      fgets(line, sizeof line, said) && strncmp(line, "listening on http://127.0.0.1:", 30) == 0
         ? atoi(line + 30)
         : 0;
   fclose(said);
   return pid;
}

Replay recordedGame(const char *name)
{
   const InputFile file =
      read_input_file(std::string(TOSSARO_SOURCE_DIR) + "/tests/replays/" + name + ".rpl", 1 << 20);
   return decodeReplay(file.bytes.data(), file.bytes.size()).replay;
}

std::string bodyOf(Replay replay, const std::string &name)
{
   replay.name = name;
   const std::vector<unsigned char> bytes = encodeReplay(replay);
   return std::string(bytes.begin(), bytes.end());
}

// `count` replays, each another play (one play is one run): the
// beginnings of the recorded games in turn, some 8,700 at the most.
std::vector<std::string> distinctReplays(int count)
{
   std::vector<std::vector<Replay>> beginnings;
   for (const char *name : {"short", "long", "pad"})
      beginnings.push_back(beginningsOf(recordedGame(name), size_t(count), 1));
   std::vector<std::string> bodies;
   for (size_t k = 0; bodies.size() < size_t(count) && k < size_t(count); k++) {
      for (const std::vector<Replay> &some : beginnings) {
         if (k < some.size() && bodies.size() < size_t(count))
            bodies.push_back(bodyOf(some[k], "Player " + std::to_string(bodies.size())));
      }
   }
   return bodies;
}

bool measure(const std::string &server, const std::string &database, const std::string &game,
             const std::vector<std::string> &bodies)
{
   int port = 0;
   const pid_t pid = startServer(server, database, game, 0, &port);
   if (port == 0) {
      fprintf(stderr, "leaderboard_bench: %s did not start on %s\n", server.c_str(),
              database.c_str());
      return false;
   }
   std::atomic<size_t> next{0};
   std::atomic<int> created{0}, other{0};
   std::vector<std::vector<double>> latencies(kClients);
   const Clock::time_point start = Clock::now();
   std::vector<std::thread> clients;
   for (int c = 0; c < kClients; c++) {
      clients.emplace_back([&, c] {
         httplib::Client client("127.0.0.1", port);
         for (size_t k; (k = next++) < bodies.size();) {
            const std::string address =
               "198.18." + std::to_string(k / 250) + "." + std::to_string(k % 250 + 1);
            const Clock::time_point sent = Clock::now();
            const auto got = client.Post("/api/v1/replays", {{"X-Real-IP", address}}, bodies[k],
                                         "application/octet-stream");
            latencies[size_t(c)].push_back(milliseconds(Clock::now() - sent));
            (got && got->status == 201 ? created : other)++;
         }
      });
   }
   for (std::thread &client : clients)
      client.join();
   const double seconds = milliseconds(Clock::now() - start) / 1000;
   std::vector<double> all;
   for (const auto &some : latencies)
      all.insert(all.end(), some.begin(), some.end());

   httplib::Client client("127.0.0.1", port);
   const auto scores = client.Get("/api/v1/scores?limit=1");
   const std::string body = scores ? scores->body : "";
   const long rows = body.rfind("{\"total\":", 0) == 0 ? atol(body.c_str() + 9) : -1;
   std::vector<double> page;
   size_t pageBytes = 0;
   for (int k = 0; k < kPageFetches; k++) {
      const Clock::time_point sent = Clock::now();
      const auto got = client.Get("/");
      page.push_back(milliseconds(Clock::now() - sent));
      pageBytes = got ? got->body.size() : 0;
   }
   kill(pid, SIGTERM);
   int status = 0;
   waitpid(pid, &status, 0);

   printf("%s\n", database.substr(0, database.find(':')).c_str());
   printf("  %zu submissions from %d clients in %.2f s: %.0f accepted a second (%d refused or "
          "failed)\n",
          bodies.size(), kClients, seconds, created / seconds, other.load());
   printf("  latency p50 %.1f ms, p99 %.1f ms\n", percentile(all, 0.5), percentile(all, 0.99));
   printf("  rows in the database %ld, 201s %d: %s\n", rows, created.load(),
          rows == created ? "equal" : "NOT EQUAL");
   printf("  the top-100 page (%zu bytes): median %.2f ms, p99 %.2f ms over %d fetches\n",
          pageBytes, percentile(page, 0.5), percentile(page, 0.99), kPageFetches);
   printf("  the server ended with status %d\n", WIFEXITED(status) ? WEXITSTATUS(status) : -1);
   return rows == created && other == 0;
}

// Sends every body from `clients` clients at once, each under an address
// of its own; the seconds it took, or a negative number when one was not
// taken.
double sendAll(int port, const std::vector<std::string> &bodies, int clients, int firstAddress)
{
   std::atomic<size_t> next{0};
   std::atomic<int> refused{0};
   const Clock::time_point start = Clock::now();
   std::vector<std::thread> senders;
   for (int c = 0; c < clients; c++) {
      senders.emplace_back([&] {
         httplib::Client client("127.0.0.1", port);
         client.set_read_timeout(600);
         for (size_t k; (k = next++) < bodies.size();) {
            const std::string address = "198.19.0." + std::to_string(firstAddress + int(k));
            const auto got = client.Post("/api/v1/replays", {{"X-Real-IP", address}}, bodies[k],
                                         "application/octet-stream");
            if (!got || got->status != 201)
               refused++;
         }
      });
   }
   for (std::thread &sender : senders)
      sender.join();
   const double seconds = milliseconds(Clock::now() - start) / 1000;
   return refused ? -1 : seconds;
}

// Costly submissions to a server of one checker and to one of two.
bool measureCostly(const std::string &server, const std::string &database,
                   const std::vector<Replay> &games)
{
   uint64_t ticks = 0;
   for (const Replay &game : games)
      ticks += game.ticks;
   printf("costly submissions: %d long games of %.0f ticks on average, %s\n", kCostlySubmissions,
          double(ticks) / double(games.size()), database.substr(0, database.find(':')).c_str());
   // Plays of their own for each run: every one is a new row, of nearly
   // the length of its game.
   const size_t each = (4 * kCostlySubmissions + games.size() - 1) / games.size();
   std::vector<std::vector<Replay>> beginnings;
   for (const Replay &game : games)
      beginnings.push_back(
         beginningsOf(game, each, std::max(1u, std::min(100u, game.ticks / uint32_t(each + 1)))));
   // Each game's next beginning: the k-th submission of both ways of
   // sending is a beginning of the same game, so that they cost the same.
   std::vector<size_t> next(games.size(), 0);
   bool good = true;
   for (unsigned checkers : {1u, 2u}) {
      std::vector<std::string> once, twice;
      for (int k = 0; k < kCostlySubmissions; k++) {
         for (auto *bodies : {&once, &twice}) {
            const size_t game = size_t(k) % games.size();
            Replay replay = beginnings[game][next[game]++];
            replay.name = "Long " + std::to_string(checkers) + (bodies == &once ? "a" : "b") +
                          std::to_string(k);
            const std::vector<unsigned char> bytes = encodeReplay(replay);
            bodies->emplace_back(bytes.begin(), bytes.end());
         }
      }
      int port = 0;
      const pid_t pid = startServer(server, database, "/nonexistent", checkers, &port);
      if (port == 0) {
         fprintf(stderr, "leaderboard_bench: %s did not start\n", server.c_str());
         return false;
      }
      const double alone = sendAll(port, once, 1, 1);
      const double paired = sendAll(port, twice, 2, 100);
      kill(pid, SIGTERM);
      waitpid(pid, nullptr, 0);
      if (alone < 0 || paired < 0) {
         printf("  %u checker(s): a submission was not taken\n", checkers);
         good = false;
         continue;
      }
      printf("  %u checker(s): one at a time %.2f s (%.1f games a second), two at a time %.2f s "
             "(%.1f a second): %.2f of the time\n",
             checkers, alone, kCostlySubmissions / alone, paired, kCostlySubmissions / paired,
             paired / alone);
   }
   return good;
}

// Eight senders of costly forgeries and one honest player at once.
bool measureFlood(const std::string &server, const std::string &database,
                  const std::vector<Replay> &games)
{
   const int kFlooders = 8, kHonest = 40;
   std::vector<std::string> forgeries;
   for (Replay game : games) {
      game.finalScore++;
      game.name = "Forger";
      const std::vector<unsigned char> bytes = encodeReplay(game);
      forgeries.emplace_back(bytes.begin(), bytes.end());
   }
   // Honest 20-second games, each another play: the long game's
   // beginnings of 2,000 ticks and a few more.
   const Replay whole = recordedGame("long");
   std::vector<std::string> honest;
   for (const Replay &beginning : beginningsOf(whole, whole.ticks - 2000, 1)) {
      if (beginning.ticks < 2000 + uint32_t(kHonest))
         honest.push_back(bodyOf(beginning, "Player"));
   }
   int port = 0;
   const pid_t pid = startServer(server, database, "/nonexistent", 0, &port);
   if (port == 0) {
      fprintf(stderr, "leaderboard_bench: %s did not start\n", server.c_str());
      return false;
   }
   std::atomic<bool> flooding{true};
   std::atomic<int> refused{0}, limited{0}, busy{0};
   std::vector<std::thread> flooders;
   for (int f = 0; f < kFlooders; f++) {
      flooders.emplace_back([&, f] {
         httplib::Client client("127.0.0.1", port);
         client.set_read_timeout(600);
         const std::string address = "198.21.0." + std::to_string(f + 1);
         for (size_t k = 0; flooding; k++) {
            const auto got =
               client.Post("/api/v1/replays", {{"X-Real-IP", address}},
                           forgeries[k % forgeries.size()], "application/octet-stream");
            const int status = got ? got->status : 0;
            (status == 422 ? refused : status == 429 ? limited : busy)++;
         }
      });
   }
   httplib::Client client("127.0.0.1", port);
   std::vector<double> latencies;
   int taken = 0;
   for (size_t k = 0; k < honest.size(); k++) {
      const Clock::time_point sent = Clock::now();
      // Players of their own: one is let send 30 a minute.
      const std::string address = "198.22.0." + std::to_string(k + 1);
      const auto got = client.Post("/api/v1/replays", {{"X-Real-IP", address}}, honest[k],
                                   "application/octet-stream");
      latencies.push_back(milliseconds(Clock::now() - sent));
      taken += got && got->status == 201;
   }
   flooding = false;
   for (std::thread &flooder : flooders)
      flooder.join();
   kill(pid, SIGTERM);
   waitpid(pid, nullptr, 0);
   printf("flood: %d addresses sending forgeries of %u ticks without pause, %s\n", kFlooders,
          games.empty() ? 0 : games[0].ticks, database.substr(0, database.find(':')).c_str());
   printf("  %zu players' games of some 20 s: %d taken, p50 %.1f ms, p99 %.1f ms\n", honest.size(),
          taken, percentile(latencies, 0.5), percentile(latencies, 0.99));
   printf("  the forgeries: %d refused after their check, %d turned away (429), %d other\n",
          refused.load(), limited.load(), busy.load());
   return taken == int(honest.size());
}

// /healthz while 200 slow clients hold connections: asked on connections
// of its own and on one kept alive.
bool measureSlowClients(const std::string &server, const std::string &database)
{
   int port = 0;
   const pid_t pid = startServer(server, database, "/nonexistent", 0, &port);
   if (port == 0) {
      fprintf(stderr, "leaderboard_bench: %s did not start\n", server.c_str());
      return false;
   }
   std::vector<int> slow;
   for (int i = 0; i < 200; i++) {
      sockaddr_in address = {};
      address.sin_family = AF_INET;
      address.sin_addr.s_addr = htonl(INADDR_LOOPBACK + 1 + uint32_t(i));
      const int socket = ::socket(AF_INET, SOCK_STREAM, 0);
      bind(socket, reinterpret_cast<sockaddr *>(&address), sizeof address);
      address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
      address.sin_port = htons(uint16_t(port));
      connect(socket, reinterpret_cast<sockaddr *>(&address), sizeof address);
      const char head[] = "GET / HTTP/1.1\r\nHost: bench\r\n";
      send(socket, head, sizeof head - 1, MSG_NOSIGNAL);
      slow.push_back(socket);
   }
   std::vector<double> fresh, keptAlive;
   int answered = 0;
   httplib::Client kept("127.0.0.1", port);
   for (int k = 0; k < 100; k++) {
      Clock::time_point sent = Clock::now();
      const auto alone = httplib::Client("127.0.0.1", port).Get("/healthz");
      fresh.push_back(milliseconds(Clock::now() - sent));
      sent = Clock::now();
      const auto again = kept.Get("/healthz");
      keptAlive.push_back(milliseconds(Clock::now() - sent));
      answered += (alone && alone->status == 200) + (again && again->status == 200);
   }
   for (int socket : slow)
      close(socket);
   kill(pid, SIGTERM);
   waitpid(pid, nullptr, 0);
   printf("slow clients: 200 addresses holding heads unended, %s\n",
          database.substr(0, database.find(':')).c_str());
   printf("  /healthz on its own connection: p50 %.2f ms, p99 %.2f ms; kept alive: p50 %.2f ms, "
          "p99 %.2f ms; %d of 200 answered\n",
          percentile(fresh, 0.5), percentile(fresh, 0.99), percentile(keptAlive, 0.5),
          percentile(keptAlive, 0.99), answered);
   return answered == 200;
}

// The table grown to `rows` runs, then `bodies` sent one at a time: the
// time each submission takes with so many rows to rank it among.
bool measureMany(const std::string &server, const std::string &database, int64_t rows,
                 const std::vector<std::string> &bodies)
{
   const Clock::time_point filling = Clock::now();
   const std::string problem = addRows(database, rows);
   if (!problem.empty()) {
      fprintf(stderr, "leaderboard_bench: %s\n", problem.c_str());
      return false;
   }
   const double filled = milliseconds(Clock::now() - filling) / 1000;
   int port = 0;
   const pid_t pid = startServer(server, database, "/nonexistent", 0, &port);
   if (port == 0) {
      fprintf(stderr, "leaderboard_bench: %s did not start\n", server.c_str());
      return false;
   }
   httplib::Client client("127.0.0.1", port);
   std::vector<double> latencies;
   int created = 0;
   for (size_t k = 0; k < bodies.size(); k++) {
      const std::string address = "198.20.0." + std::to_string(k % 250 + 1);
      const Clock::time_point sent = Clock::now();
      const auto got = client.Post("/api/v1/replays", {{"X-Real-IP", address}}, bodies[k],
                                   "application/octet-stream");
      latencies.push_back(milliseconds(Clock::now() - sent));
      created += got && got->status == 201;
   }
   const auto scores = client.Get("/api/v1/scores?limit=1");
   kill(pid, SIGTERM);
   waitpid(pid, nullptr, 0);
   printf("%s with %lld more rows (made in %.1f s)\n",
          database.substr(0, database.find(':')).c_str(), (long long)rows, filled);
   printf("  %zu submissions one at a time: p50 %.1f ms, p99 %.1f ms; %d taken; %s\n",
          bodies.size(), percentile(latencies, 0.5), percentile(latencies, 0.99), created,
          scores ? scores->body.substr(0, scores->body.find(',')).c_str() : "no table");
   return created == int(bodies.size());
}

}  // namespace

int main(int argc, char **argv)
{
   int submissions = 1000, longGames = 4;
   int64_t rows = 1000000;
   uint32_t longTicks = 300000;
   std::string game = "/nonexistent";
   int k = 1;
   for (; k + 1 < argc && strncmp(argv[k], "--", 2) == 0; k += 2) {
      if (strcmp(argv[k], "--submissions") == 0)
         submissions = atoi(argv[k + 1]);
      else if (strcmp(argv[k], "--game") == 0)
         game = argv[k + 1];
      else if (strcmp(argv[k], "--long-games") == 0)
         longGames = atoi(argv[k + 1]);
      else if (strcmp(argv[k], "--long-ticks") == 0)
         longTicks = uint32_t(atol(argv[k + 1]));
      else if (strcmp(argv[k], "--rows") == 0)
         rows = atoll(argv[k + 1]);
   }
   if (argc - k < 2 || submissions < 1) {
      fputs("usage: leaderboard_bench [--submissions N] [--game PATH] [--long-games N]\n"
            "                         [--long-ticks N] [--rows N] SERVER DATABASE...\n",
            stderr);
      return 2;
   }
   const std::vector<std::string> bodies = distinctReplays(submissions);
   bool good = true;
   for (int d = k + 1; d < argc; d++)
      good = measure(argv[k], argv[d], game, bodies) && good;
   good = measureSlowClients(argv[k], argv[k + 1]) && good;
   std::vector<Replay> games;
   for (int g = 0; g < longGames; g++)
      games.push_back(longGame(1733600000 + g, longTicks, "Long"));
   if (!games.empty())
      good = measureCostly(argv[k], argv[k + 1], games) &&
             measureFlood(argv[k], argv[k + 1], games) && good;
   // Plays that none of the runs above has made.
   const std::vector<std::string> more = distinctReplays(submissions + 200);
   const std::vector<std::string> last(more.end() - 200, more.end());
   for (int d = k + 1; d < argc && rows > 0; d++)
      good = measureMany(argv[k], argv[d], rows, last) && good;
   return good ? 0 : 1;
}
