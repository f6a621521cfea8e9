// tossaro-server as its users meet it: the real program on loopback with
// SQLite, the recorded games submitted under names, forgeries refused,
// and everything kept across a restart.
#include <gtest/gtest.h>
#include <httplib.h>

#include <nlohmann/json.hpp>

#include <unistd.h>

#include <fstream>

#include "files/netpbm_file.h"
#include "replay/playback.h"
#include "replay/replay_file.h"
#include "server/pages.h"
#include "server/store.h"
#include "support/raw_connection.h"
#include "support/scratch.h"
#include "support/server_process.h"
#include "support/shell_command.h"

namespace {

// The server, started with `arguments` from the source tree, where the
// game of the build finds its art to make the clips.
class Server : public ServerProcess {
public:
   explicit Server(const std::vector<std::string> &arguments)
       : ServerProcess(TOSSARO_SERVER, arguments, TOSSARO_SOURCE_DIR)
   {
   }
};

Bytes recordedAs(const std::string &game, const std::string &name)
{
   const Bytes bytes =
      read_file(std::string(TOSSARO_SOURCE_DIR) + "/tests/replays/" + game + ".rpl");
   Replay replay = decodeReplay(bytes.data(), bytes.size()).replay;
   replay.name = name;
   return encodeReplay(replay);
}

// The first `ticks` of a recorded game: a game of its own, another play.
Bytes beginningOf(const std::string &game, uint32_t ticks, const std::string &name)
{
   const Bytes bytes = recordedAs(game, name);
   const Replay whole = decodeReplay(bytes.data(), bytes.size()).replay;
   Playback playback(whole);
   playback.seek(ticks);
   return encodeReplay(replayUpTo(whole, ticks, playback.game().score));
}

Bytes changed(const Bytes &bytes, const std::function<void(Replay &)> &change)
{
   Replay replay = decodeReplay(bytes.data(), bytes.size()).replay;
   change(replay);
   return encodeReplay(replay);
}

// HTML Tidy's verdict on a page: 0 and nothing said when it is valid
// HTML5.
int run_tidy(const std::string &file, std::string *said)
{
   const int status = run("tidy -errors -quiet " + quoted(file), said);
   return said->empty() ? status : -1;
}

// The page at `url` as headless Chromium shows it in a window of 800 x
// 900, read back through ImageMagick; the last one is left in the build
// tree to look at.
Picture browserShot(const Scratch &scratch, const std::string &url, const std::string &name)
{
   const std::string png = std::string(TOSSARO_BINARY_DIR) + "/" + name + ".png";
   const std::string ppm = scratch.path(name + ".ppm");
   std::string said;
   Picture picture;
   EXPECT_EQ(run("chromium --headless --no-sandbox --disable-gpu --hide-scrollbars "
                 "--user-data-dir=" +
                    quoted(scratch.path("chromium")) +
                    " --window-size=800,900 --screenshot=" + quoted(png) + " " + quoted(url) +
                    " && convert " + quoted(png) + " " + quoted(ppm),
                 &said),
             0)
      << said;
   if (file_exists(ppm)) {
      EXPECT_EQ(read_netpbm(read_file(ppm), &picture), "");
   }
   return picture;
}

// Whether the page, with its stylesheet, fits a window `width` pixels
// wide in Chromium: nothing reaches past its right edge.
bool fitsIn(const Scratch &scratch, std::string page, int width)
{
   const std::string link = "<link rel=\"stylesheet\" href=\"/style.css\">";
   page.replace(page.find(link), link.size(), std::string("<style>") + kStyleSheet + "</style>");
   page.replace(page.find("</body>"), 7,
                "<script>document.title = document.documentElement.scrollWidth <= innerWidth ?"
                " 'fits' : 'too wide'</script></body>");
   const std::string file = scratch.write("page.html", Bytes(page.begin(), page.end()));
   std::string dom;
   EXPECT_EQ(run("chromium --headless --no-sandbox --disable-gpu --user-data-dir=" +
                    quoted(scratch.path("chromium")) + " --window-size=" + std::to_string(width) +
                    ",800 --dump-dom " + quoted("file://" + file) + " 2>/dev/null",
                 &dom),
             0);
   EXPECT_NE(dom.find("<title>"), std::string::npos) << dom;
   return dom.find("<title>fits</title>") != std::string::npos;
}

// The bands of rows of the picture that hold a pixel near `colour`: a
// line of text and its underline make one, rows of a table apart.
int bandsOf(const Picture &picture, uint32_t colour)
{
   const auto near = [colour](uint32_t pixel) {
      for (int shift : {0, 8, 16}) {
         if (std::abs(int(pixel >> shift & 255) - int(colour >> shift & 255)) > 24)
            return false;
      }
      return true;
   };
   int bands = 0, sinceLast = 1000;
   for (int y = 0; y < picture.h; y++) {
      bool found = false;
      for (int x = 0; x < picture.w && !found; x++)
         found = near(picture.pixels[size_t(y) * picture.w + x]);
      bands += found && sinceLast > 8;
      sinceLast = found ? 0 : sinceLast + 1;
   }
   return bands;
}

// The memory a process holds, in MiB.
long residentMiB(pid_t pid)
{
   std::ifstream status("/proc/" + std::to_string(pid) + "/status");
   std::string line;
   while (std::getline(status, line))
      if (line.rfind("VmRSS:", 0) == 0)
         return std::stol(line.substr(6)) / 1024;
   return -1;
}

class ServerTest : public ::testing::Test {
protected:
   std::vector<std::string> arguments(const std::string &game = TOSSARO_GAME)
   {
      return {"--listen", "127.0.0.1:0", "--database", "sqlite:" + scratch.path("leaderboard.db"),
              "--game",   game};
   }
   httplib::Result post(httplib::Client &client, const Bytes &body,
                        const char *type = "application/octet-stream")
   {
      return client.Post("/api/v1/replays", std::string(body.begin(), body.end()), type);
   }
   std::string table(httplib::Client &client)
   {
      const auto got = client.Get("/api/v1/scores?limit=100");
      return got ? got->body : "no answer";
   }

   Scratch scratch;
};

TEST_F(ServerTest, RanksTheGamesItPlaysAgainRefusesForgeriesAndKeepsThemAcrossARestart)
{
   // First with a game that makes no clip.
   auto server = std::make_unique<Server>(arguments("/bin/false"));
   ASSERT_NE(server->port(), 0) << server->listening();
   httplib::Client client("127.0.0.1", server->port());
   const Bytes shortGame = recordedAs("short", "Bea"), longGame = recordedAs("long", "Ann"),
               padGame = recordedAs("pad", "<b>Cy</b> & \"co\"");
   // Two different games under one name are two runs.
   const Bytes partOfBeas = beginningOf("long", 2000, "Bea");
   std::vector<std::string> ids;
   for (const Bytes &game : {shortGame, longGame, padGame, partOfBeas}) {
      const auto got = post(client, game);
      ASSERT_TRUE(got);
      EXPECT_EQ(got->status, 201) << got->body;
      ids.push_back(nlohmann::json::parse(got->body)["id"]);
   }
   const std::string ranked = table(client);
   const nlohmann::json scores = nlohmann::json::parse(ranked);
   EXPECT_EQ(scores["total"], 4);
   EXPECT_NE(ids[3], ids[0]);
   std::vector<std::string> order;
   for (const auto &row : scores["scores"])
      order.push_back(row["name"].get<std::string>() + " " + row["score"].dump());
   EXPECT_EQ(order, (std::vector<std::string>{"Ann 5240", "Bea 2490", "<b>Cy</b> & \"co\" 1950",
                                              "Bea 500"}));

   struct Forgery {
      Bytes body;
      int status;
      std::string error;
   } forgeries[] = {
      {changed(longGame, [](Replay &r) { r.finalScore += 100; }), 422,
       "diverged at tick 5350: score 5240, recorded 5340"},
      {changed(longGame, [](Replay &r) { r.runs[10].actions ^= 1; }), 422, "diverged at tick "},
      {Bytes(longGame.begin(), longGame.end() - 20), 400,
       "cut short at byte " + std::to_string(longGame.size() - 20) + " of " +
          std::to_string(longGame.size())},
      {Bytes(2 << 20, 'x'), 413, "the body is over 1 MiB"},
   };
   for (const Forgery &forgery : forgeries) {
      const auto got = post(client, forgery.body);
      ASSERT_TRUE(got);
      EXPECT_EQ(got->status, forgery.status) << got->body;
      EXPECT_NE(got->body.find("{\"error\":\"" + forgery.error), std::string::npos) << got->body;
      EXPECT_EQ(got->get_header_value("X-Content-Type-Options"), "nosniff");
      EXPECT_NE(got->get_header_value("Content-Security-Policy").find("default-src 'none'"),
                std::string::npos);
   }
   const auto again = post(client, longGame);
   EXPECT_EQ(again->status, 200);
   EXPECT_EQ(again->body, "{\"id\":\"" + ids[1] +
                             "\",\"name\":\"Ann\",\"score\":5240,\"ticks\":5350,"
                             "\"rank\":1,\"of\":4}\n");
   EXPECT_EQ(post(client, longGame, "text/plain")->status, 415);
   // The best run under another name and version is the same play.
   const auto copy = post(client, changed(longGame, [](Replay &r) {
                             r.name = "Mallory";
                             r.gameVersion = "9.9.9";
                          }));
   EXPECT_EQ(copy->status, 409) << copy->body;
   EXPECT_EQ(nlohmann::json::parse(copy->body)["id"], ids[1]);
   // The 10 submissions so far (the body over 1 MiB was never taken), and
   // a flood up to the limit: the 31st in a minute is refused, and the
   // table is as it was.
   for (int k = 11; k <= 30; k++)
      EXPECT_EQ(post(client, Bytes{'n', 'o'})->status, 400) << k;
   EXPECT_EQ(post(client, longGame)->status, 429);
   const auto file = client.Get(("/api/v1/replays/" + ids[2]).c_str());
   EXPECT_EQ(file->body, std::string(padGame.begin(), padGame.end()));
   EXPECT_EQ(client.Get("/api/v1/replays/0123456789abcdef")->status, 404);
   // Pages no one has: said as the rest of their kind is.
   EXPECT_EQ(client.Get("/no/such/page")->body, "no such page\n");
   EXPECT_EQ(client.Get("/api/v1/nothing")->body, "{\"error\":\"no such page\"}\n");
   const auto health = client.Get("/healthz");
   EXPECT_EQ(health->body, "ok\n");
   EXPECT_FALSE(health->has_header("Access-Control-Allow-Origin"));
   const std::string clip = "/clips/" + ids[2] + ".gif";
   EXPECT_EQ(client.Get(clip.c_str())->status, 404);
   EXPECT_NE(client.Get(("/runs/" + ids[2]).c_str())->body.find("not made yet"), std::string::npos);
   EXPECT_EQ(server->stop(), 0);

   std::vector<std::string> withOrigin = arguments();
   withOrigin.insert(withOrigin.end(),
                     {"--allow-origin", "https://example.org", "--checkers", "1"});
   server = std::make_unique<Server>(withOrigin);
   httplib::Client restarted("127.0.0.1", server->port());
   EXPECT_EQ(table(restarted), ranked);
   EXPECT_EQ(restarted.Get("/api/v1/scores")->get_header_value("Access-Control-Allow-Origin"),
             "https://example.org");
   const auto preflight = restarted.Options("/api/v1/replays");
   ASSERT_TRUE(preflight);
   EXPECT_EQ(preflight->status, 204);
   EXPECT_EQ(preflight->get_header_value("Access-Control-Allow-Methods"), "GET, POST");
   // The clips not made are made now, the last run's first.
   auto gif = restarted.Get(clip.c_str());
   for (int wait = 0; wait < 3000 && gif && gif->status == 404; wait++) {
      usleep(100000);
      gif = restarted.Get(clip.c_str());
   }
   ASSERT_TRUE(gif);
   EXPECT_EQ(gif->status, 200);
   EXPECT_EQ(gif->body.substr(0, 6), "GIF89a");
   EXPECT_EQ(gif->get_header_value("Content-Type"), "image/gif");

   // The pages show the same table, the names escaped, as valid HTML5.
   const std::string page = restarted.Get("/")->body;
   const size_t ann = page.find("><bdi>Ann</bdi></a>"),
                cy = page.find("><bdi>&lt;b&gt;Cy&lt;/b&gt; &amp; &quot;co&quot;</bdi></a>"),
                bea = page.rfind("><bdi>Bea</bdi></a>");
   EXPECT_TRUE(ann < cy && cy < bea && bea != std::string::npos) << page;
   EXPECT_NE(page.find("<a href=\"/runs/" + ids[1] +
                       "\"><bdi>Ann</bdi></a></td><td>5240</td><td>0:53.50</td>"),
             std::string::npos)
      << page;
   const std::string run = restarted.Get(("/runs/" + ids[2]).c_str())->body;
   EXPECT_NE(run.find("<dt>Rank</dt><dd>3 of 4</dd>"), std::string::npos) << run;
   EXPECT_NE(run.find("<img src=\"" + clip + "\""), std::string::npos) << run;
   EXPECT_NE(run.find("href=\"/api/v1/replays/" + ids[2] + "\""), std::string::npos) << run;
   for (const std::string &html : {page, run}) {
      std::string said;
      EXPECT_EQ(run_tidy(scratch.write("page.html", Bytes(html.begin(), html.end())), &said), 0)
         << said;
   }

   // In a real browser: the table's four names, each a link (the
   // stylesheet's link colour), and the run's page with its clip, the
   // game's warm backdrop filling most of a 640 x 480 picture on the
   // page's dark blue.
   const std::string site = "http://127.0.0.1:" + std::to_string(server->port());
   EXPECT_EQ(bandsOf(browserShot(scratch, site + "/", "leaderboard"), 0x7fd1ff), 4);
   const Picture shot = browserShot(scratch, site + "/runs/" + ids[2], "run");
   int warm = 0;
   for (uint32_t pixel : shot.pixels)
      warm += int(pixel >> 16 & 255) > int(pixel & 255) + 40;
   EXPECT_GT(warm, 640 * 480 / 2);
}

TEST_F(ServerTest, HoldsAgainstSlowCrowdingAndOversizedRequests)
{
   Server server(arguments("/bin/false"));
   ASSERT_NE(server.port(), 0) << server.listening();
   const int port = server.port();
   httplib::Client client("127.0.0.1", port);
   const std::string head = "GET /healthz HTTP/1.1\r\nHost: t\r\n";
   const std::string post =
      "POST /api/v1/replays HTTP/1.1\r\nHost: t\r\nContent-Type: application/octet-stream\r\n";

   // Heads that never end, from 200 addresses, hold no one else up.
   std::vector<std::unique_ptr<RawConnection>> slow;
   for (int i = 0; i < 200; i++) {
      slow.push_back(std::make_unique<RawConnection>(port, "127.0.0." + std::to_string(i + 2)));
      slow.back()->send(head);
   }
   const auto health = client.Get("/healthz");
   ASSERT_TRUE(health);
   EXPECT_EQ(health->status, 200);

   // An address holds eight connections; the ninth is closed at once, and
   // a place freed is taken again.
   std::vector<std::unique_ptr<RawConnection>> eight;
   for (int i = 0; i < 8; i++)
      eight.push_back(std::make_unique<RawConnection>(port, "127.0.0.250"));
   RawConnection ninth(port, "127.0.0.250");
   EXPECT_EQ(ninth.status(), "closed");
   // Once the server has seen one of the eight close, its place is taken.
   eight.pop_back();
   std::string again;
   for (int tries = 0; tries < 100 && again != "HTTP/1.1 200 OK"; tries++) {
      RawConnection next(port, "127.0.0.250");
      next.send(head + "\r\n");
      again = next.status();
      if (again != "HTTP/1.1 200 OK")
         usleep(20000);
   }
   EXPECT_EQ(again, "HTTP/1.1 200 OK");

   // Heads too long, bodies encoded or too long: refused, whatever the
   // client goes on sending, and nothing of them kept. A head of 100
   // fields, or of 64 KiB but a little, is taken.
   const long before = residentMiB(server.pid());
   const std::string kib(1024, 'a');
   std::string fields, wide;
   for (int i = 0; i < 99; i++)
      fields += "X-" + std::to_string(i) + ": a\r\n";
   // 63 fields of 1 KiB and their names: just under 64 KiB in all.
   for (int i = 0; i < 63; i++)
      wide += "X-" + std::to_string(i) + ": " + kib + "\r\n";
   const std::string field = "X-More: a\r\n", kibField = "X-More: " + kib + "\r\n";
   const std::string chunk = "10000\r\n" + std::string(65536, 'x') + "\r\n";
   struct {
      std::string request;
      std::string repeated;  // sent `times` times, or until refused
      int times;
      std::string status;
   } const refused[] = {
      {head + fields + "\r\n", "", 0, "HTTP/1.1 200 OK"},
      {head + fields + field + "\r\n", "", 0, "HTTP/1.1 431 Request Header Fields Too Large"},
      {head + wide + "\r\n", "", 0, "HTTP/1.1 200 OK"},
      {head + wide + kibField + "\r\n", "", 0, "HTTP/1.1 431 Request Header Fields Too Large"},
      {head, "X-Wide: " + std::string(8000, 'a') + "\r\n", 4096,
       "HTTP/1.1 431 Request Header Fields Too Large"},
      {post + "Content-Encoding: gzip\r\nContent-Length: 4\r\n\r\nTRPL", "", 0,
       "HTTP/1.1 415 Unsupported Media Type"},
      {post + "Transfer-Encoding: chunked\r\n\r\n", chunk, 1024, "HTTP/1.1 413 Content Too Large"},
      {post + "Content-Length: 67108864\r\n\r\n", std::string(65536, 'x'), 1024,
       "HTTP/1.1 413 Content Too Large"},
      {post + "Content-Length: 67108864\r\nExpect: 100-continue\r\n\r\n", "", 0,
       "HTTP/1.1 413 Content Too Large"},
   };
   for (const auto &row : refused) {
      RawConnection connection(port);
      bool taken = connection.send(row.request);
      for (int i = 0; i < row.times && taken; i++)
         taken = connection.send(row.repeated);
      if (taken && row.repeated == chunk)
         connection.send("0\r\n\r\n");
      EXPECT_EQ(connection.status(), row.status) << row.request.substr(0, 120);
   }
   EXPECT_LT(residentMiB(server.pid()) - before, 64);
   EXPECT_EQ(client.Get("/healthz")->status, 200);
}

TEST_F(ServerTest, TheGameSendsAReplayAndSaysItsRankOrWhyNot)
{
   auto server = std::make_unique<Server>(arguments("/bin/false"));
   ASSERT_NE(server->port(), 0) << server->listening();
   const std::string site = "http://127.0.0.1:" + std::to_string(server->port());
   const std::string game = quoted(TOSSARO_GAME) + " --leaderboard " + site + " --submit ";
   const std::string good = scratch.write("good.rpl", recordedAs("short", "Dee")),
                     forged =
                        scratch.write("forged.rpl", changed(recordedAs("long", "Eve"),
                                                            [](Replay &r) { r.finalScore++; }));
   std::string said;
   EXPECT_EQ(run(game + quoted(good), &said), 0) << said;
   httplib::Client client("127.0.0.1", server->port());
   const nlohmann::json board = nlohmann::json::parse(table(client));
   ASSERT_EQ(board["total"], 1);
   EXPECT_EQ(board["scores"][0]["name"], "Dee");
   EXPECT_EQ(said, "rank 1 of 1 (" + board["scores"][0]["id"].get<std::string>() + ")\n");
   EXPECT_EQ(run(game + quoted(forged), &said), 1);
   EXPECT_EQ(said, "tossaro: " + forged +
                      ": refused: diverged at tick 5350: score 5240, recorded 5241\n");
   EXPECT_EQ(server->stop(), 0);
   EXPECT_EQ(run(game + quoted(good), &said), 1);
   EXPECT_NE(said.find(": no answer from " + site), std::string::npos) << said;
}

// The operator takes a run off the board from the command line while the
// server runs, lists it, reads its replay, and puts it back.
TEST_F(ServerTest, TheOperatorHidesARunWhileTheServerRunsAndPutsItBack)
{
   Server server(arguments("/bin/false"));
   httplib::Client client("127.0.0.1", server.port());
   const Bytes longGame = recordedAs("long", "Ann");
   ASSERT_EQ(post(client, recordedAs("short", "Bea"))->status, 201);
   const auto added = post(client, longGame);
   ASSERT_EQ(added->status, 201);
   const std::string id = nlohmann::json::parse(added->body)["id"];
   const std::string command =
      quoted(TOSSARO_SERVER) + " --database sqlite:" + quoted(scratch.path("leaderboard.db")) + " ";
   std::string said;
   EXPECT_EQ(run(command + "hide " + id + " 'a bot, by its timing'", &said), 0) << said;
   EXPECT_EQ(said, "hid " + id + "\n");
   const nlohmann::json board = nlohmann::json::parse(table(client));
   EXPECT_EQ(board["total"], 1);
   EXPECT_EQ(board["scores"][0]["name"], "Bea");
   EXPECT_EQ(client.Get("/")->body.find("Ann"), std::string::npos);
   EXPECT_EQ(client.Get(("/runs/" + id).c_str())->status, 404);
   EXPECT_EQ(client.Get(("/api/v1/replays/" + id).c_str())->status, 404);
   EXPECT_EQ(run(command + "list-hidden", &said), 0);
   EXPECT_EQ(said, id + "\t5240\tAnn\ta bot, by its timing\n");
   EXPECT_EQ(run(command + "replay " + id, &said), 0);
   EXPECT_EQ(said, std::string(longGame.begin(), longGame.end()));
   EXPECT_EQ(run(command + "unhide " + id, &said), 0) << said;
   EXPECT_EQ(nlohmann::json::parse(table(client))["scores"][0]["id"], id);
   EXPECT_EQ(run(command + "hide 0123456789abcdef", &said), 1);
   EXPECT_EQ(said, "tossaro-server: no run 0123456789abcdef\n");
   EXPECT_EQ(run(command + "hide", &said), 2);
   EXPECT_EQ(said.substr(0, said.find('\n')), "tossaro-server: no such command: hide with 0 words");
}

// /healthz writes to the database: a full disk is 503, and room again
// 200.
TEST_F(ServerTest, HealthIsUnavailableWhileTheDiskIsFull)
{
   std::string said;
   const int status = run(
      "unshare -m bash " + quoted(std::string(TOSSARO_SOURCE_DIR) + "/tests/server/full_disk.sh") +
         " " + quoted(TOSSARO_SERVER) + " " + quoted(scratch.path("full")),
      &said);
   if (status == 77 || said.find("unshare: ") == 0)
      GTEST_SKIP() << "no tmpfs can be mounted here: " << said;
   EXPECT_EQ(status, 0) << said;
   EXPECT_EQ(said, "with room: 200\nfull: 503\nwith room again: 200\n");
}

// The board keeps its columns on a phone's screen and a laptop's, even
// with a long name of a run kept before names were held to 26
// characters, and a run's page its name.
TEST_F(ServerTest, PagesKeepTheirColumnsOnNarrowAndWideScreens)
{
   std::vector<Placed> runs(3);
   const std::string names[] = {std::string(255, 'W'), "abcdefghijklmnopqrstuvwxyz",
                                "\u674e\u5c0f\u9f8d"};
   for (size_t k = 0; k < runs.size(); k++) {
      runs[k].run.id = "0123456789abcde" + std::to_string(k);
      runs[k].run.name = names[k];
      runs[k].run.score = 1660115;
      runs[k].run.ticks = 1000000;
      runs[k].run.played = 1733600000;
      runs[k].run.submitted = 1733600000;
      runs[k].rank = int64_t(k) + 1;
      runs[k].of = 120000;
   }
   for (int width : {390, 1366}) {
      EXPECT_TRUE(fitsIn(scratch, tablePage(runs, 120000), width)) << width;
      EXPECT_TRUE(fitsIn(scratch, runPage(runs[0]), width)) << width;
   }
}

TEST_F(ServerTest, SaysWhyItCannotStartInOneLine)
{
   Server first(arguments());
   std::string said;
   const std::string server = quoted(TOSSARO_SERVER);
   EXPECT_EQ(run(server + " --listen 127.0.0.1:" + std::to_string(first.port()) +
                    " --database sqlite:" + scratch.path("other.db"),
                 &said),
             1);
   EXPECT_EQ(said, "tossaro-server: cannot listen on 127.0.0.1:" + std::to_string(first.port()) +
                      ": Address already in use\n");
   EXPECT_EQ(run(server + " --database sqlite:" + scratch.path("no/such/folder.db"), &said), 1);
   EXPECT_EQ(said, "tossaro-server: " + scratch.path("no/such/folder.db") +
                      ": unable to open database file (its folder " + scratch.path("no/such") +
                      " is missing)\n");
   EXPECT_EQ(run(server + " --listen 8765", &said), 2);
   EXPECT_EQ(said.substr(0, said.find('\n')),
             "tossaro-server: --listen 8765: give HOST:PORT, such as 127.0.0.1:8765");
   for (const char *checkers : {"0", "257", "two"}) {
      EXPECT_EQ(run(server + " --checkers " + checkers, &said), 2);
      EXPECT_EQ(said.substr(0, said.find('\n')), "tossaro-server: --checkers " +
                                                    std::string(checkers) +
                                                    ": give a number from 1 to 256");
   }
}

}  // namespace
