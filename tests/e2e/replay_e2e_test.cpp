// A recorded game watched in the window plays as it does without one: with
// sound and without, at scale 1 and 2, with frames capped and not, it
// meets every check value of its file to its end (a drift would be a line
// on stderr), and the program ends with status 0.
#include "game_fixture.h"

namespace {

TEST_F(GameTest, AReplayPlaysTheSameWithOrWithoutSoundAtAnyScaleAndFrameRate)
{
   const std::string replay = std::string(TOSSARO_SOURCE_DIR) + "/tests/replays/short.rpl";
   const struct {
      std::vector<std::string> options;
      int scale;
   } runs[] = {
      {{"--mute"}, 1},
      {{"--scale", "2", "--max-fps", "30"}, 2},
   };
   for (const auto &run : runs) {
      std::vector<std::string> arguments = {"--replay", replay};
      arguments.insert(arguments.end(), run.options.begin(), run.options.end());
      GameRun game(server, kGame, folder, {}, arguments);
      ASSERT_NE(game.window(), 0u) << game.output();
      // The banner's khaki panel, at the window's scale.
      const int s = run.scale;
      Screenshot shot;
      EXPECT_TRUE(await(
         game,
         [&](const Screenshot &shown) {
            return count_in(shown, 171 * s, 27 * s, 469 * s, 57 * s, 137, 135, 95) > 5000 * s * s;
         },
         5, &shot))
         << "no banner at scale " << s;
      game.hold("Right");
      EXPECT_EQ(game.wait(15), 0) << "scale " << s;
      game.release("Right");
      EXPECT_EQ(game.output(), "") << "scale " << s;
   }
   int status = -1;
   EXPECT_EQ(run_without_display("--replay " + replay + " --verify", &status),
             "score 500 after 651 ticks (0:06.51)\n");
   EXPECT_EQ(status, 0);
}

}  // namespace
