// The game's side of the leaderboard against an HTTP server on loopback
// that answers as a leaderboard does: the outbox of the games the server
// could not take, and the board on the table screen.
#include <httplib.h>

#include <filesystem>
#include <map>
#include <thread>

#include "app/app_fixture.h"
#include "app/leaderboard_sender.h"
#include "scores/highscores.h"
#include "screens/leaderboard_board.h"
#include "screens/replay_keeping.h"
#include "screens/score_table.h"
#include "screens/screens.h"
#include "shell/assets.h"
#include "shell/picture.h"
#include "support/scratch.h"

namespace {

Replay gameOf(const std::string &name)
{
   Replay replay;
   replay.name = name;
   return replay;
}

// Each game answered with its name's status (201 and a rank for a name
// not listed: the number a name of digits says, else 1), the board with
// `board`; `tries` counts the games by name.
class LoopbackBoard {
public:
   LoopbackBoard(std::map<std::string, int> answers, const std::string &board = "")
       : statuses(std::move(answers))
   {
      http_.Post("/api/v1/replays", [this](const httplib::Request &q, httplib::Response &r) {
         const auto *bytes = reinterpret_cast<const unsigned char *>(q.body.data());
         const std::string name = decodeReplay(bytes, q.body.size()).replay.name;
         const std::lock_guard<std::mutex> held(lock);
         tries[name]++;
         r.status = statuses.count(name) ? statuses[name] : 201;
         const bool number = !name.empty() && name.find_first_not_of("0123456789") == name.npos;
         r.set_content(r.status == 201 ? R"({"id":"9f2c41d07ab3e815","rank":)" +
                                            (number ? name : "1") + R"(,"of":500})"
                       : r.status == 422 ? R"({"error":"diverged at tick 2300"})"
                       // A server's words that would clear a terminal, and go on.
                       : r.status == 400 ? R"({"error":"\u001b[2Jcleared\nnext line)" +
                                              std::string(300, 'x') + R"("})"
                                         : R"({"error":"try later"})",
                       "application/json");
      });
      http_.Get("/api/v1/scores", [board](const httplib::Request &, httplib::Response &r) {
         r.set_content(board, "application/json");
      });
      url = "http://127.0.0.1:" + std::to_string(http_.bind_to_any_port("127.0.0.1"));
      serving_ = std::thread([this] { http_.listen_after_bind(); });
      while (!http_.is_running())
         std::this_thread::sleep_for(std::chrono::milliseconds(1));
   }
   ~LoopbackBoard() { stop(); }
   void stop()
   {
      http_.stop();
      if (serving_.joinable())
         serving_.join();
   }
   int triesOf(const std::string &name)
   {
      const std::lock_guard<std::mutex> held(lock);
      return tries[name];
   }

   std::string url;
   std::mutex lock;
   std::map<std::string, int> statuses, tries;

private:
   httplib::Server http_;
   std::thread serving_;
};

// Waits for `done`, for as long as a slow machine could take.
bool awaited(const std::function<bool()> &done)
{
   for (int i = 0; i < 2000 && !done(); i++)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
   return done();
}

class LeaderboardTest : public AppTest {
protected:
   void SetUp() override
   {
      AppTest::SetUp();
      std::filesystem::create_directory(outbox);
   }
   void TearDown() override
   {
      stopSendingScores();
      AppTest::TearDown();
   }
   size_t waiting() const
   {
      return size_t(std::distance(std::filesystem::directory_iterator(outbox),
                                  std::filesystem::directory_iterator()));
   }

   Scratch scratch;
   const std::string outbox = scratch.path("outbox");
};

// A game the server cannot take now (429, any 5xx: 500 as much as 503)
// waits in the outbox and is sent again while the game runs; one it
// refuses goes, its reason said once. The interval is shortened, so that
// the rule shows in milliseconds.
TEST_F(LeaderboardTest, TheOutboxKeepsWhatTheServerCannotTakeNowAndSendsItAgainWhileRunning)
{
   LoopbackBoard server(
      {{"forged", 422}, {"hostile", 400}, {"busy", 429}, {"down", 503}, {"failing", 500}});
   scratch.write("outbox/0000000000000001.rpl", encodeReplay(gameOf("forged")));
   scratch.write("outbox/0000000000000002.rpl", encodeReplay(gameOf("hostile")));
   testing::internal::CaptureStderr();
   startSendingScores(server.url, outbox, std::chrono::milliseconds(50));
   EXPECT_TRUE(awaited([&] { return waiting() == 0; })) << "the refused game is still there";
   rowReplayKept(gameOf("busy"));
   rowReplayKept(gameOf("down"));
   rowReplayKept(gameOf("failing"));
   EXPECT_TRUE(awaited([&] {
      return server.triesOf("busy") + server.triesOf("down") + server.triesOf("failing") >= 9;
   }));
   EXPECT_EQ(waiting(), 3u);
   {
      const std::lock_guard<std::mutex> held(server.lock);
      server.statuses.clear();
   }
   EXPECT_TRUE(awaited([&] { return waiting() == 0; })) << "still waiting once taken";
   stopSendingScores();
   const std::string said = testing::internal::GetCapturedStderr();
   EXPECT_EQ(server.triesOf("forged"), 1);
   const size_t reason = said.find("diverged at tick 2300");
   EXPECT_TRUE(reason != said.npos && said.find("diverged", reason + 1) == said.npos) << said;
   // The server's words as one line of printable text, cut short.
   EXPECT_EQ(said.find('\x1b'), said.npos);
   EXPECT_NE(said.find("[2Jcleared next line"), said.npos) << said;
   EXPECT_EQ(said.find(std::string(200, 'x')), said.npos) << said;
}

TEST_F(LeaderboardTest, TheOutboxNeverHoldsMoreThanAHundredGames)
{
   for (int i = 0; i < 100; i++)
      scratch.write("outbox/" + std::to_string(i) + ".rpl",
                    encodeReplay(gameOf(std::to_string(i))));
   testing::internal::CaptureStderr();
   startSendingScores("http://127.0.0.1:1", outbox);
   rowReplayKept(gameOf("one more"));
   // Whether the thread tried it or the exit keeps it, it is not kept.
   stopSendingScores();
   const std::string said = testing::internal::GetCapturedStderr();
   EXPECT_EQ(waiting(), 100u);
   EXPECT_NE(said.find("holds 100 games already"), std::string::npos) << said;
}

// The rank under the table as English says it: 1st, 2nd, 3rd, 21st...,
// but 11th, 12th, 13th in the teens of each hundred.
TEST_F(LeaderboardTest, TheRankIsSaidAsAnOrdinal)
{
   LoopbackBoard server({});
   startSendingScores(server.url, outbox);
   const std::pair<const char *, const char *> ranks[] = {
      {"1", "1st"},     {"2", "2nd"},     {"3", "3rd"},     {"4", "4th"},     {"11", "11th"},
      {"12", "12th"},   {"13", "13th"},   {"21", "21st"},   {"22", "22nd"},   {"23", "23rd"},
      {"101", "101st"}, {"111", "111th"}, {"112", "112th"}, {"113", "113th"}, {"122", "122nd"}};
   const auto shown = [&](const std::string &text) {
      showLeaderboardAnswers();
      drawScoreTable();
      return find_text(backBuffer, text, makecol(255, 255, 255)).y >= 0;
   };
   for (const auto &[rank, said] : ranks) {
      showTableNotice("");
      rowReplayKept(gameOf(rank));
      ASSERT_TRUE(awaited([&] { return shown(" of 500"); })) << "no answer for " << rank;
      EXPECT_TRUE(shown(std::string("Leaderboard: ") + said + " of 500")) << said;
   }
}

// L on the table: without a leaderboard it says so; with one, the board
// loads, marks only the rows of this table (the same name and score),
// keeps a long name off its score, and says why when there is no board.
TEST_F(LeaderboardTest, LShowsTheBoardWithTheRowsOfThisTableMarked)
{
   const int white = makecol(255, 255, 255);
   const auto press = [&](int key) {
      scripted.down = {key};
      inputDelay = 0;
      routinesOf(screenState).update();
   };
   const auto shown = [&](const std::string &text) { return find_text(backBuffer, text, white); };
   const auto loaded = [&] {
      return awaited([&] {
         showLeaderboardAnswers();
         drawBoard();
         return shown("Loading...").y < 0;
      });
   };
   highscores.entries = {{"Ann", 5240}};
   screenState = ScoreTable;
   press(KEY_L);
   drawScoreTable();
   EXPECT_GE(shown("No leaderboard set").y, 0);

   std::string accented;  // letters of two and three bytes, too many for the column
   for (int i = 0; i < 40; i++)
      accented += "é€";
   LoopbackBoard server({}, R"({"total": 120, "scores": [{"rank": 1, "name": "Ann", "score": 5000},
      {"rank": 2, "name": "Ann", "score": 5240}, {"rank": 3, "name": ")" +
                               std::string(60, 'W') + R"(", "score": 800}, {"rank": 4, "name": ")" +
                               accented + R"(", "score": 700}]})");
   startShowingBoard(server.url);
   press(KEY_L);
   drawBoard();
   EXPECT_GE(shown("Loading...").y, 0);
   EXPECT_TRUE(loaded());
   const TextPlace other = shown("1."), mine = shown("2."), points = shown("800");
   const int marked = makecol(kPanelFace), namesX = shown("Ann").x - 1;
   EXPECT_NE(getpixel(backBuffer, namesX, other.y), marked);
   EXPECT_EQ(getpixel(backBuffer, namesX, mine.y), marked);
   ASSERT_GE(points.y, 0);
   EXPECT_FALSE(has_color(backBuffer, points.x - 4, points.y, points.x - 1, points.y + 7, white));
   // A name of letters longer than one byte is cut at a letter's end: no
   // broken letter, which Allegro would draw as '^'.
   const TextPlace fourth = shown("4.");
   ASSERT_GE(fourth.y, 0);
   EXPECT_EQ(shown("é€é€").y, fourth.y);
   EXPECT_LT(shown("^").y, 0);
   press(KEY_ESC);
   EXPECT_EQ(screenState, ScoreTable);
   server.stop();
   press(KEY_L);
   EXPECT_TRUE(loaded());
   EXPECT_GE(shown("Leaderboard: offline: ").y, 0);
   press(KEY_ESC);

   // An answer no leaderboard gives is not kept, whatever its size.
   LoopbackBoard flood({}, std::string(1 << 20, ' '));
   startShowingBoard(flood.url);
   press(KEY_L);
   EXPECT_TRUE(loaded());
   EXPECT_GE(shown("answered with more than").y, 0);
}

}  // namespace
