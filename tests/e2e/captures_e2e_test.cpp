// Captures as a player makes them: F12 in the menu saves the picture
// shown, F9 in play the last seconds as a clip from a second process; both
// decode the same in our reader and giflib; a folder that cannot be
// written gives the notice and a line, and nothing else. A clip begun is
// finished whatever ends the game, or leaves nothing; the menu's demo
// takes no capture. A replay's exported frame is what its window shows at
// that tick, and an export that cannot be made says why and writes
// nothing.
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <regex>
#include <set>

#include "game_fixture.h"
#include "oracle.h"
#include "files/paths.h"
#include "replay/replay_file.h"
#include "support/shell_command.h"

namespace {

// The captures in the folder whose name holds `part`, once each is whole
// (the file takes its name when written from a hidden one); waits up to
// `seconds` for `count` of them.
std::vector<std::string> captures(const std::string &folder, const std::string &part, size_t count,
                                  double seconds)
{
   std::vector<std::string> found;
   for (int waited = 0; waited <= seconds * 10; waited++) {
      found.clear();
      for (const auto &entry : std::filesystem::directory_iterator(folder)) {
         const std::string name = entry.path().filename();
         if (name[0] != '.' && name.find(part) != std::string::npos && entry.file_size() > 0)
            found.push_back(entry.path());
      }
      if (found.size() >= count)
         break;
      pause_ms(100);
   }
   return found;
}

// The processes the game started that still run (a clip's), each with its
// process group.
std::vector<std::pair<pid_t, pid_t>> children_of(pid_t parent)
{
   std::vector<std::pair<pid_t, pid_t>> found;
   for (const auto &entry : std::filesystem::directory_iterator("/proc")) {
      const std::string pid = entry.path().filename();
      if (pid.find_first_not_of("0123456789") != std::string::npos)
         continue;
      const std::string stat = read_text("/proc/" + pid + "/stat");
      const size_t name = stat.rfind(')');
      char state = 0;
      int ppid = 0, group = 0;
      if (name != std::string::npos &&
          sscanf(stat.c_str() + name + 1, " %c %d %d", &state, &ppid, &group) == 3 &&
          ppid == parent && state != 'Z')
         found.push_back({pid_t(std::stoi(pid)), pid_t(group)});
   }
   return found;
}

// Holds the key until the game has started a process (a clip's), which
// it returns; -1 when none started within ten seconds.
pid_t hold_until_started(GameRun &game, const std::string &key)
{
   game.hold(key);
   std::vector<std::pair<pid_t, pid_t>> started;
   for (int waited = 0; waited < 2000 && started.empty(); waited++) {
      started = children_of(game.pid());
      if (started.empty())
         pause_ms(5);
   }
   game.release(key);
   return started.empty() ? -1 : started[0].first;
}

// Waits up to `seconds` for a process that is not the test's child to end
// (a zombie left to its new parent has ended).
bool ended(pid_t pid, double seconds)
{
   for (int waited = 0; waited <= seconds * 10; waited++) {
      const std::string stat = read_text("/proc/" + std::to_string(pid) + "/stat");
      const size_t name = stat.rfind(')');
      if (name == std::string::npos || stat.compare(name, 3, ") Z") == 0)
         return true;
      pause_ms(100);
   }
   return false;
}

// The text as a regular expression that matches it alone.
std::string regex_quoted(const std::string &text)
{
   std::string quoted;
   for (char c : text) {
      if (strchr("\\^$.|?*+()[]{}", c))
         quoted += '\\';
      quoted += c;
   }
   return quoted;
}

// The names in the folder.
std::set<std::string> names_in(const std::string &folder)
{
   std::set<std::string> names;
   for (const auto &entry : std::filesystem::directory_iterator(folder))
      names.insert(entry.path().filename());
   return names;
}

// The notice's dark band at the top of the field.
bool notice_shown(const Screenshot &shot)
{
   return count_in(shot, 12, 44, 627, 60, 69, 63, 48) > 3000;
}

// Pixels of the rows [y0, y1) where the screenshot does not show the
// 32-bit picture, the frame-rate text aside: exactly, or within `near` of
// each channel (a clip of more than 256 colours has them reduced).
int mismatches(const Screenshot &shot, BITMAP *picture, int y0, int y1, int near = 0,
               const std::function<bool(int, int)> &aside = nullptr)
{
   int wrong = 0;
   for (int y = y0; y < y1; y++) {
      for (int x = 0; x < 640; x++) {
         const int c = rgb_at(picture, x, y);
         const uint32_t p = shot.at(x, y);
         bool off = !shows_rgb(p, c >> 16 & 255, c >> 8 & 255, c & 255);
         if (near) {
            off = false;
            for (int shift : {0, 8, 16})
               off = off || abs(int(p >> shift & 255) - (c >> shift & 255)) > near;
         }
         wrong += off && !in_frame_rate_text(x, y) && !(aside && aside(x, y));
      }
   }
   return wrong;
}

// The game without a display in `folder`, under the shell's `limits`
// ("ulimit -f 100; ", say) and its memory bounded to 256 MB (but in a
// sanitizer's build, whose shadow memory that would not hold): what it
// says, and its status.
std::string run_limited(const std::string &folder, const std::string &limits,
                        const std::string &arguments, int *status)
{
#ifdef __SANITIZE_ADDRESS__
   const std::string bound;
#else
   const std::string bound = "ulimit -v 262144; ";
#endif
   std::string said;
   *status = run("cd " + quoted(folder) + " && " + bound + limits + "exec env -u DISPLAY " + kGame +
                    " " + arguments,
                 &said);
   return said;
}

TEST_F(GameTest, CapturesAPictureAndAClipAndSayWhenTheyCannot)
{
   const Art art;
   const std::string shots = scratch.path("shots");
   const std::string clipLine =
      "tossaro: a clip is still being made: its own process finishes it in the captures folder\n";
   GameRun game(server, kGame, folder, {}, {"--captures", shots, "--clip-seconds", "2"});
   ASSERT_NE(game.window(), 0u) << game.output();
   ASSERT_TRUE(reach_menu(game, art));

   // F12: the menu as drawn, below its items (the cursor's sparks turn).
   Screenshot shot;
   ASSERT_TRUE(press_until(game, "F12", notice_shown));
   shot = game.screenshot();
   const std::vector<std::string> stills = captures(shots, "tossaro-", 1, 10);
   ASSERT_EQ(stills.size(), 1u);
   EXPECT_TRUE(oracle::codec_matches_giflib(stills[0]));
   GifSequencePtr still(open_gif_sequence(stills[0].c_str()));
   ASSERT_NE(still, nullptr);
   EXPECT_EQ(still->frame_count, 1);
   EXPECT_EQ(mismatches(shot, compose(still.get(), 0).get(), 280, 480), 0);

   // A file where the folder was: the notice, one line, no file.
   EXPECT_TRUE(await(
      game, [](const Screenshot &s) { return !notice_shown(s); }, 5, &shot));
   std::filesystem::rename(shots, shots + ".kept");
   scratch.write("shots", {'x'});
   EXPECT_TRUE(press_until(game, "F12", notice_shown));
   EXPECT_EQ(read_file(shots), std::vector<unsigned char>{'x'});
   std::filesystem::remove(shots);
   std::filesystem::rename(shots + ".kept", shots);

   // F9 on the quit prompt after three seconds of play: the last two
   // seconds at 50 frames a second, the last one the field the prompt
   // froze (nearer it than the clip's first, two seconds of play before).
   // Ctrl+C, meant for the game (its process group), ends it, and the
   // clip's process finishes the clip all the same.
   ASSERT_TRUE(press_until(game, "p", field_shown));
   pause_ms(3000);
   ASSERT_TRUE(press_until(game, "Escape", prompt_shown));
   const Screenshot frozen = game.screenshot();
   const pid_t clipProcess = hold_until_started(game, "F9");
   ASSERT_GT(clipProcess, 0);
   if (getpgid(clipProcess) == getpgid(game.pid()))
      kill(clipProcess, SIGINT);
   game.sendSignal(SIGINT);
   EXPECT_EQ(game.wait(), 0);
   EXPECT_EQ(game.output(), "tossaro: the picture is not saved: " + shots +
                               ": cannot make a file there: Not a directory\n" + clipLine);
   const std::vector<std::string> clips = captures(shots, "-clip.gif", 1, 120);
   ASSERT_EQ(clips.size(), 1u);
   EXPECT_TRUE(oracle::codec_matches_giflib(clips[0]));
   GifSequencePtr clip(open_gif_sequence(clips[0].c_str()));
   ASSERT_NE(clip, nullptr);
   ASSERT_EQ(clip->frame_count, 100);
   EXPECT_EQ(clip->loop_count, 0);
   int shown = 0;
   for (int f = 0; f < clip->frame_count; f++)
      shown += clip->frames[f].delay;
   EXPECT_EQ(shown, 200);
   const BitmapPtr first = compose(clip.get(), 0);
   const BitmapPtr last = compose(clip.get(), clip->frame_count - 1);
   // The prompt's dots (one pixel in four) and its panel aside.
   const auto prompt = [](int x, int y) {
      return (x % 2 == 0 && y % 2 == 0) || (x >= 150 && x <= 490 && y >= 150 && y <= 330);
   };
   EXPECT_LT(mismatches(frozen, last.get(), 64, 480, 40, prompt),
             mismatches(frozen, first.get(), 64, 480, 40, prompt));
   const std::set<std::string> made = {name_of(stills[0]), name_of(clips[0])};
   EXPECT_EQ(names_in(shots), made);

   // Again, where no file may pass 40 kB (a full disk), into a folder
   // whose name holds a backslash: the capture keys during the menu's demo
   // (of that game) only end it. In play, a picture and a clip that
   // cannot be written are named in a line each, escaped once. A clip
   // whose process fails once the game has gone leaves nothing either.
   const std::string fullShots = scratch.path("full\\shots");
   GameRun full(server, kGame, folder,
                {"sh", "-c", "ulimit -f 80; trap '' XFSZ; exec \"$@\"", "sh"},
                {"--captures", fullShots, "--clip-seconds", "2"}, {"TOSSARO_ATTRACT_SECONDS=2"});
   ASSERT_NE(full.window(), 0u) << full.output();
   ASSERT_TRUE(reach_menu(full, art));
   const auto banner = [](const Screenshot &s) {
      return count_in(s, 171, 27, 469, 57, 137, 135, 95) > 5000;
   };
   for (const char *key : {"F9", "F12"}) {
      ASSERT_TRUE(await(full, banner, 8, &shot)) << "no demo";
      ASSERT_TRUE(
         press_until(full, key, [&](const Screenshot &s) { return cursor_on(s, art, 0); }));
      EXPECT_FALSE(notice_shown(full.screenshot())) << key;
   }
   ASSERT_TRUE(press_until(full, "p", field_shown));
   pause_ms(2000);
   // One press each, held long enough for a slow frame to see it.
   const auto said = [&](const std::string &what) {
      return await(
         full, [&](const Screenshot &) { return full.output().find(what) != std::string::npos; },
         60, &shot);
   };
   full.press("F12", 300);
   ASSERT_TRUE(said("picture is not saved")) << full.output();
   ASSERT_GT(hold_until_started(full, "F9"), 0);
   ASSERT_TRUE(said("clip is not saved")) << full.output();
   // The clip's process is held still until the game has gone.
   const pid_t failing = hold_until_started(full, "F9");
   ASSERT_GT(failing, 0);
   kill(failing, SIGSTOP);
   press_until_ended(full, "q", 100);
   EXPECT_EQ(full.wait(), 0);
   kill(failing, SIGCONT);
   EXPECT_TRUE(ended(failing, 120));
   EXPECT_TRUE(names_in(fullShots).empty());
   const std::string named = regex_quoted(scratch.path("full\\\\shots"));
   const std::string cannot = ": cannot write: File too large\n";
   EXPECT_TRUE(std::regex_match(
      full.output(),
      std::regex("tossaro: the picture is not saved: " + named + "/tossaro-[-0-9]+\\.gif" + cannot +
                 "tossaro: the clip is not saved: " + named + "/tossaro-[-0-9]+-clip\\.gif" +
                 cannot + regex_quoted(clipLine))))
      << full.output();

   // The frame exported at a replay's last tick is the picture the window
   // shows there, its banner aside.
   const std::string replay = std::string(TOSSARO_SOURCE_DIR) + "/tests/replays/short.rpl";
   const std::string frames = scratch.path("frames");
   ASSERT_EQ(std::system(("cd '" + folder + "' && '" + kGame + "' --replay '" + replay +
                          "' --frames '" + frames + "' --from 6.49")
                            .c_str()),
             0);
   const std::vector<unsigned char> ppm = read_file(frames + "/000001.ppm");
   const std::string header = "P6\n640 480\n255\n";
   ASSERT_EQ(ppm.size(), header.size() + 640 * 480 * 3);
   EXPECT_FALSE(file_exists(frames + "/000002.ppm"));
   // Two frames a second from 4.51 seconds: a frame each half second up to
   // --to, the last at 6.51 (the end) when --to meets it.
   int status = -1;
   for (const auto &[to, count] : {std::pair<std::string, int>{"6.51", 4}, {"6.5", 3}}) {
      const std::string steps = scratch.path("steps-" + to) + "/";
      EXPECT_EQ(run_limited(folder, "",
                            "--replay " + replay + " --frames " + steps + " --from 4.51 --to " +
                               to + " --fps 2",
                            &status),
                "");
      EXPECT_EQ(status, 0);
      EXPECT_TRUE(file_exists(steps + "00000" + std::to_string(count) + ".ppm")) << to;
      EXPECT_FALSE(file_exists(steps + "00000" + std::to_string(count + 1) + ".ppm")) << to;
   }
   EXPECT_TRUE(read_file(scratch.path("steps-6.51/000004.ppm")) == ppm) << "not the end's frame";
   GameRun watching(server, kGame, folder, {}, {"--replay", replay});
   ASSERT_NE(watching.window(), 0u) << watching.output();
   const auto atTheEnd = [](const Screenshot &s) { return shows_rgb(s.at(459, 51), 69, 63, 48); };
   // The last tick stays two seconds: two pictures alike, a tenth apart.
   Screenshot previous;
   ASSERT_TRUE(await(
      watching,
      [&](const Screenshot &s) {
         const bool still = atTheEnd(s) && previous.w == 640 && differences(previous, s) == 0;
         previous = s;
         return still;
      },
      30, &shot));
   int wrong = 0;
   for (int y = 0; y < 480; y++) {
      for (int x = 0; x < 640; x++) {
         const unsigned char *p = &ppm[header.size() + (size_t(y) * 640 + x) * 3];
         const bool banner = x >= 170 && x <= 470 && y >= 26 && y <= 58;
         wrong +=
            !banner && !in_frame_rate_text(x, y) && !shows_rgb(shot.at(x, y), p[0], p[1], p[2]);
      }
   }
   EXPECT_EQ(wrong, 0);
   EXPECT_EQ(watching.wait(), 0);

   // Watched in the window, a replay's clip ends as the game's: Esc just
   // after F9 (some four seconds in, run fast) leaves it to its process,
   // which finishes it.
   GameRun watched(server, kGame, folder, {}, {"--replay", replay, "--captures", shots});
   ASSERT_NE(watched.window(), 0u) << watched.output();
   watched.hold("Right");
   pause_ms(1000);
   watched.release("Right");
   ASSERT_GT(hold_until_started(watched, "F9"), 0);
   press_until_ended(watched, "Escape", 100);
   EXPECT_EQ(watched.wait(), 0);
   EXPECT_EQ(watched.output(), clipLine);
   EXPECT_EQ(captures(shots, "-clip", 2, 120).size(), 2u);
   EXPECT_EQ(names_in(shots).size(), 3u);

   // A replay that claims 200 million ticks (its runs and check values all
   // there, within the 8 MiB a replay may take) drifts at its first check.
   std::string unread;
   Replay claims = readReplayFile(replay, &unread).replay;
   ASSERT_EQ(unread, "");
   claims.ticks = 200000000;
   claims.runs = {{0, claims.ticks}};
   claims.checks.assign(claims.ticks / Replay::kCheckEvery, 0);
   const std::string crafted = scratch.write("claims.rpl", encodeReplay(claims));
   // A folder that holds a frame's name (a FIFO, a link out of it).
   const std::string held = scratch.path("held"), outside = scratch.write("outside", {'o'});
   std::filesystem::create_directories(held);
   ASSERT_EQ(mkfifo((held + "/000002.ppm").c_str(), 0600), 0);
   ASSERT_EQ(symlink(outside.c_str(), (held + "/000003.ppm").c_str()), 0);
   // Exports refused: one line each, status 1, nothing written. The
   // crafted replay is named where it drifts, in the memory that playing
   // it takes, not that of the frames it claims.
   // A frame that cannot be written whole (the disk full, here no file over
   // 50 kB) is removed.
   const std::string diskFull = "ulimit -f 100; trap '' XFSZ; ";
   const std::string refused = scratch.path("refused.gif");
   const struct {
      std::string limits, replay, options, said;
   } refusals[] = {
      {"", crafted, "--gif " + scratch.path("claims.gif"), crafted + ": diverged at tick 100"},
      {"", crafted, "--frames " + scratch.path("claimed"), crafted + ": diverged at tick 100"},
      {"", replay, "--frames " + held + " --from 6",
       held + " already holds 000002.ppm: choose an empty folder"},
      {diskFull, replay, "--frames " + scratch.path("full") + " --from 6",
       scratch.path("full") + "/000001.ppm: cannot write it: File too large"},
      {"", replay, "--gif " + refused + " --from 6 --to 8 --fps 2",
       replay + ": --to 0:08.00 is past its end, at 0:06.51"},
      {"", replay, "--gif " + refused + " --from 7",
       replay + ": --from 0:07.00 is not before its end, at 0:06.51"},
      {"", replay, "--gif " + refused + " --from 3 --to 2",
       replay + ": --from 0:03.00 is not before --to 0:02.00"},
      {"", replay, "--gif " + refused + " --from 6.5 --to 6.51 --fps 50",
       replay + ": from 0:06.50 to 0:06.51 is too short for a frame at 50 a second"},
   };
   for (const auto &r : refusals) {
      EXPECT_EQ(run_limited(folder, r.limits, "--replay " + r.replay + " " + r.options, &status),
                "tossaro: " + r.said + "\n");
      EXPECT_EQ(status, 1) << r.options;
   }
   EXPECT_TRUE(std::filesystem::is_empty(scratch.path("full")));
   EXPECT_FALSE(file_exists(refused));
   EXPECT_FALSE(file_exists(scratch.path("claims.gif")));
   EXPECT_TRUE(std::filesystem::is_empty(scratch.path("claimed")));
   EXPECT_EQ(std::distance(std::filesystem::directory_iterator(held), {}), 2);
   EXPECT_TRUE(std::filesystem::is_fifo(held + "/000002.ppm"));
   EXPECT_EQ(read_file(outside), std::vector<unsigned char>{'o'});
}

}  // namespace
