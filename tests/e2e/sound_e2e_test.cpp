// The game's sound as SDL's disk driver records it: what the game plays
// reaches the file in real time, so its length tells when each part was
// played.
#include <sys/stat.h>

#include "game_fixture.h"

namespace {

using SoundTest = GameTest;

long size_of(const std::string &path)
{
   struct stat st;
   return stat(path.c_str(), &st) == 0 ? long(st.st_size) : -1;
}

TEST_F(SoundTest, SilentInTheMenuThenTheBallsAreHeard)
{
   const Art art;
   const std::string recording = scratch.path("played.raw");
   GameRun game(server, kGame, folder, {}, {},
                {"SDL_AUDIODRIVER=disk", "SDL_DISKAUDIOFILE=" + recording});
   ASSERT_NE(game.window(), 0u) << game.output();
   ASSERT_TRUE(reach_menu(game, art));
   const long beforePlay = size_of(recording);
   ASSERT_GT(beforePlay, 44100 * 4 / 2) << "the device ran for less than half a second";
   ASSERT_TRUE(press_until(game, "p", field_shown));
   // The balls fall onto the hands within two seconds of the start.
   pause_ms(2500);
   press_until_ended(game, "q", 100);
   EXPECT_EQ(game.wait(), 0);
   const std::vector<unsigned char> raw = read_file(recording);
   ASSERT_GT(long(raw.size()), beforePlay + 44100 * 4 * 2);
   // The recording is 16-bit stereo: frames of 4 bytes.
   EXPECT_EQ(pcm16_peak(raw, 0, size_t(beforePlay)), 0) << "sound in the menu before a key";
   EXPECT_GT(pcm16_peak(raw, size_t(beforePlay) & ~size_t(3), raw.size()), 2000)
      << "no throw was heard";
}

TEST_F(SoundTest, MuteOpensNoDeviceAndAMissingDriverIsOneLine)
{
   const std::string recording = scratch.path("played.raw");
   {
      GameRun game(server, kGame, folder, {}, {"--mute"},
                   {"SDL_AUDIODRIVER=disk", "SDL_DISKAUDIOFILE=" + recording});
      ASSERT_NE(game.window(), 0u) << game.output();
      pause_ms(700);
      game.requestClose();
      EXPECT_EQ(game.wait(5), 0);
      EXPECT_EQ(game.output(), "");
   }
   EXPECT_EQ(size_of(recording), -1) << "--mute opened the disk driver";

   GameRun game(server, kGame, folder, {}, {}, {"SDL_AUDIODRIVER=no-such-driver"});
   ASSERT_NE(game.window(), 0u) << game.output();
   pause_ms(700);
   game.requestClose();
   EXPECT_EQ(game.wait(5), 0);
   const std::string said = game.output();
   EXPECT_EQ(said.rfind("tossaro: no sound: ", 0), 0u) << said;
   EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
}

}  // namespace
