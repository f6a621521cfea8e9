// What the player gets around the game itself, in the real window: the
// pause when the focus goes elsewhere, the enlarged window, the command
// line, and a clean end on the signals that ask a program to stop.
#include <signal.h>

#include <atomic>
#include <filesystem>
#include <random>
#include <thread>

#include "game_fixture.h"

namespace {

bool in_panel(int x, int y)
{
   return x >= 150 && x <= 490 && y >= 150 && y <= 330;
}

// The picture in game pixels: one pixel of every scale x scale block.
Screenshot game_pixels(const Screenshot &shot, int scale)
{
   Screenshot small;
   small.w = shot.w / scale;
   small.h = shot.h / scale;
   for (int y = 0; y < small.h; y++) {
      for (int x = 0; x < small.w; x++)
         small.pixels.push_back(shot.at(x * scale, y * scale));
   }
   return small;
}

// How many scale x scale blocks of the shot are not of one colour, the
// live frame-rate text aside (it may change while the shot is taken).
int broken_blocks(const Screenshot &shot, int scale)
{
   int broken = 0;
   for (int y = 0; y < shot.h; y += scale) {
      for (int x = 0; x < shot.w; x += scale) {
         if (in_frame_rate_text(x / scale, y / scale))
            continue;
         bool whole = true;
         for (int i = 0; i < scale * scale; i++)
            whole = whole && shot.at(x + i % scale, y + i / scale) == shot.at(x, y);
         broken += !whole;
      }
   }
   return broken;
}

// Whether the prompt lies over the whole field of `before`, dimmed: a dot
// on every pixel of even x and y, and elsewhere the field's own pixels,
// save the few where it moved on between `before` and the snapshot.
::testing::AssertionResult dimmed_field(const Screenshot &prompt, const Screenshot &before)
{
   int same = 0, moved = 0;
   for (int y = 0; y < prompt.h; y++) {
      for (int x = 0; x < prompt.w; x++) {
         if (in_panel(x, y) || in_frame_rate_text(x, y))
            continue;
         if (x % 2 == 0 && y % 2 == 0) {
            if (!shows_rgb(prompt.at(x, y), 50, 50, 50))
               return ::testing::AssertionFailure() << "no dot at " << x << "," << y;
         } else if (prompt.at(x, y) == before.at(x, y)) {
            same++;
         } else {
            moved++;
         }
      }
   }
   if (same < 19 * moved)
      return ::testing::AssertionFailure() << same << " pixels of the field kept, " << moved
                                           << " not";
   return ::testing::AssertionSuccess();
}

// Keeps one core busy while it lives, as a loaded machine does.
class BusyCore {
public:
   BusyCore() : thread_([this] {
      while (!stop_)
         ;
   })
   {
   }
   ~BusyCore()
   {
      stop_ = true;
      thread_.join();
   }

private:
   std::atomic<bool> stop_{false};
   std::thread thread_;
};

class ComfortTest : public GameTest {
protected:
   // Ends the intro with a key and waits for the menu, then until the
   // intro's last fading frames are gone and the menu takes keys; a shot of
   // the menu then.
   Screenshot reach_menu(GameRun &game, int scale = 1)
   {
      Screenshot shot;
      EXPECT_NE(game.window(), 0u) << game.output();
      game.press("x");
      EXPECT_TRUE(await(
         game, [&](const Screenshot &s) { return cursor_on(game_pixels(s, scale), art, 0); }, 6.0,
         &shot))
         << "no menu";
      pause_ms(600);
      return game.screenshot();
   }

   void start_playing(GameRun &game, int scale = 1)
   {
      reach_menu(game, scale);
      EXPECT_TRUE(press_until(game, "p", [&](const Screenshot &s) {
         return !cursor_on(game_pixels(s, scale), art, 0);
      })) << "P did not start a game";
   }

   const Art art;
};

TEST_F(ComfortTest, LostFocusPausesAGameInPlayAndOnlyThere)
{
   GameRun game(server, kGame, folder);
   reach_menu(game);
   // At the menu a lost focus changes nothing.
   game.focusElsewhere();
   pause_ms(400);
   EXPECT_TRUE(cursor_on(game.screenshot(), art, 0));
   game.focusGame();
   EXPECT_TRUE(press_until(game, "p", [&](const Screenshot &s) { return !cursor_on(s, art, 0); }));

   const Screenshot before = game.screenshot();
   game.focusElsewhere();
   Screenshot prompt;
   ASSERT_TRUE(await(game, prompt_shown, 2.0, &prompt)) << "no quit prompt";
   EXPECT_TRUE(dimmed_field(prompt, before));
   // The field stays frozen, and coming back does not resume it.
   pause_ms(400);
   game.focusGame();
   pause_ms(700);
   EXPECT_EQ(differences(game.screenshot(), prompt), 0);

   // N: the game goes on where it stood.
   EXPECT_TRUE(press_until(game, "n", [](const Screenshot &s) { return !prompt_shown(s); }));
   const Screenshot resumed = game.screenshot();
   pause_ms(300);
   EXPECT_GT(differences(game.screenshot(), resumed), 200) << "the field stands still";
   game.requestClose();
   EXPECT_EQ(game.wait(5), 0);
   EXPECT_EQ(game.output(), "");
}

TEST_F(ComfortTest, ScaleTwoShowsTheSamePictureEnlarged)
{
   Screenshot one;
   {
      GameRun game(server, kGame, folder);
      one = reach_menu(game);
      game.requestClose();
      EXPECT_EQ(game.wait(5), 0);
   }
   GameRun game(server, kGame, folder, {}, {"--scale", "2"});
   const Screenshot two = reach_menu(game, 2);
   ASSERT_EQ(two.w, 1280);
   ASSERT_EQ(two.h, 960);
   EXPECT_EQ(broken_blocks(two, 2), 0);
   EXPECT_EQ(differences(game_pixels(two, 2), one), 0);

   // The quit prompt's snapshot holds the whole field, not a corner of it.
   EXPECT_TRUE(press_until(game, "p", [&](const Screenshot &s) {
      return !cursor_on(game_pixels(s, 2), art, 0);
   }));
   const Screenshot before = game_pixels(game.screenshot(), 2);
   Screenshot prompt;
   ASSERT_TRUE(press_until(
      game, "Escape", [](const Screenshot &s) { return prompt_shown(game_pixels(s, 2)); }));
   prompt = game.screenshot();
   EXPECT_EQ(broken_blocks(prompt, 2), 0);
   EXPECT_TRUE(dimmed_field(game_pixels(prompt, 2), before));
   game.requestClose();
   EXPECT_EQ(game.wait(5), 0);
   EXPECT_EQ(game.output(), "");
}

TEST_F(ComfortTest, AltEnterAsksForTheFullScreenAndItsEnterChoosesNothing)
{
   GameRun game(server, kGame, folder);
   reach_menu(game);
   // The full screen: here the game shows in the middle of a larger one,
   // its window unmapped; the menu, no game begun by the Enter.
   game.focusGame();
   game.pressAsKeyboard("alt+Return", 100);
   bool full = false;
   for (int tries = 0; tries < 50 && !full; tries++) {
      pause_ms(100);
      full = !game.windowShown() && cursor_on(game.screenMiddle(), art, 0);
   }
   EXPECT_TRUE(full) << "no full screen";
   pause_ms(600);
   // And back to the window, still on the menu.
   game.pressAsKeyboard("alt+Return", 100);
   Screenshot shot;
   bool back = false;
   for (int tries = 0; tries < 50 && !back; tries++) {
      pause_ms(100);
      back = game.windowShown() && cursor_on(game.screenshot(), art, 0);
   }
   EXPECT_TRUE(back) << "not back in the window, on the menu";
   game.requestClose();
   EXPECT_EQ(game.wait(5), 0);
   EXPECT_EQ(game.output(), "");
}

TEST_F(ComfortTest, HowToPlayComesBeforeTheFirstGameOnceAndOnF1)
{
   // A player's own settings file: its lines stay as they were written.
   const std::string settings = folder + ".config/tossaro/tossaro.cfg";
   const std::string written = "# mine\nvolume = 70\n\n# the end\n";
   std::filesystem::create_directories(folder + ".config/tossaro");
   scratch.write("game.config/tossaro/tossaro.cfg",
                 std::vector<unsigned char>(written.begin(), written.end()));
   GameRun game(server, kGame, folder, {}, {"--how-to-play", "--fps-counter=off"});
   const Screenshot menu = reach_menu(game);
   // No frame rate: the menu, still, is the same picture twice.
   pause_ms(500);
   EXPECT_EQ(differences(game.screenshot(), menu), 0);
   // Its grey target, blended over the backdrop as the field's are.
   const auto howToPlay = [&](const Screenshot &s) {
      int grey = 0;
      for (int y = 0; y < s.h; y++) {
         for (int x = 0; x < s.w; x++) {
            const int r = s.at(x, y) >> 16 & 255, g = s.at(x, y) >> 8 & 255, b = s.at(x, y) & 255;
            grey += r > 120 && r < 200 && std::abs(r - g) < 12 && std::abs(g - b) < 12;
         }
      }
      return grey > 1000;
   };
   ASSERT_TRUE(press_until(game, "F1", howToPlay)) << "no How to play";
   game.screenshot().save_ppm(std::string(TOSSARO_BINARY_DIR) + "/how_to_play.ppm");
   EXPECT_TRUE(press_until(game, "Escape", [&](const Screenshot &s) {
      return differences(s, menu) == 0;
   })) << "not the same menu";
   // P: How to play first, then Enter plays; the file turns it off.
   ASSERT_TRUE(press_until(game, "p", howToPlay));
   EXPECT_TRUE(press_until(game, "Return", [&](const Screenshot &s) {
      return !howToPlay(s) && !cursor_on(s, art, 0);
   })) << "no game";
   const std::vector<unsigned char> now = read_file(settings);
   EXPECT_EQ(std::string(now.begin(), now.end()), written + "how_to_play = off\n");
   game.requestClose();
   EXPECT_EQ(game.wait(5), 0);
   EXPECT_EQ(game.output(), "");
}

TEST_F(ComfortTest, ScaleAutoTakesTheLargestWindowThatFits)
{
   // 2048 x 1536: three times 640 x 480 fits, four times does not.
   GameRun game(server, kGame, folder, {}, {"--scale", "auto"});
   ASSERT_NE(game.window(), 0u) << game.output();
   const Screenshot shot = game.screenshot();
   EXPECT_EQ(shot.w, 1920);
   EXPECT_EQ(shot.h, 1440);
   game.requestClose();
   EXPECT_EQ(game.wait(5), 0);
}

TEST_F(ComfortTest, SignalsAtRandomMomentsEndTheGameAsFromTheMenu)
{
   const BusyCore busy;
   std::mt19937 random(std::random_device{}());
   for (bool playing : {false, true}) {
      for (int number : {SIGINT, SIGTERM, SIGHUP}) {
         GameRun game(server, kGame, folder);
         ASSERT_NE(game.window(), 0u) << game.output();
         if (playing)
            start_playing(game);
         const int ms = std::uniform_int_distribution<int>(0, playing ? 500 : 1500)(random);
         pause_ms(ms);
         game.sendSignal(number);
         // How soon it ends is bench/exit_time.sh's to measure; a loaded
         // machine may take many times as long.
         EXPECT_EQ(game.wait(), 0) << strsignal(number) << " after " << ms << " ms"
                                   << (playing ? " of play" : "");
         EXPECT_EQ(game.output(), "");
         // The table was saved on the way out, whole.
         const std::string table = folder + "/hiscores.bin";
         EXPECT_EQ(std::filesystem::exists(table) ? std::filesystem::file_size(table) : 0, 1040u)
            << strsignal(number);
         std::filesystem::remove(table);
      }
   }
}

TEST(CommandLineOfTheGame, AnswersBeforeAnyWindowOpens)
{
   int status = 0;
   const std::string help = run_without_display("--help", &status);
   EXPECT_EQ(status, 0);
   EXPECT_EQ(help.rfind("usage: tossaro", 0), 0u) << help;
   EXPECT_NE(help.find("hiscores.bin"), std::string::npos);
   const std::string version = run_without_display("--version", &status);
   EXPECT_EQ(status, 0);
   EXPECT_EQ(version, "tossaro " TOSSARO_PROJECT_VERSION "\n");
   const std::string mistake = run_without_display("--scale 9", &status);
   EXPECT_EQ(status, 2);
   EXPECT_EQ(mistake, "tossaro: bad value for --scale: '9' (1 to 4, or auto)\n" +
                         help.substr(0, help.find("\n\n") + 1));

   // A settings file the player names must be there, unless it is to be
   // written.
   Scratch empty;
   const std::string unnamed = run_without_display("--config my.cfg", &status, empty.path(""));
   EXPECT_EQ(status, 2);
   EXPECT_EQ(unnamed, "tossaro: no settings file my.cfg (--config)\n" +
                         help.substr(0, help.find("\n\n") + 1));
   run_without_display("--config my.cfg --mute --write-config", &status, empty.path(""));
   EXPECT_EQ(status, 0);
   const std::vector<unsigned char> written = read_file(empty.path("my.cfg"));
   EXPECT_NE(std::string(written.begin(), written.end()).find("\nmute = on\n"), std::string::npos);
   std::filesystem::remove(empty.path("my.cfg"));

   // Neither the working directory nor the program's own place has the art.
   const std::string lost = run_without_display("", &status, empty.path(""));
   EXPECT_EQ(status, 1);
   EXPECT_EQ(lost.rfind("tossaro: no graphics/ in /", 0), 0u) << lost;
   EXPECT_NE(lost.find("/share/games/tossaro nor in the working directory ("), std::string::npos)
      << lost;
}

}  // namespace
