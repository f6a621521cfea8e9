// What every end-to-end test of the game needs: the art as the game shows
// it, ways to compare screenshots with it, and a fixture that starts a
// private X server and a working folder holding graphics/ and sounds/.
#ifndef TOSSARO_TESTS_GAME_FIXTURE_H
#define TOSSARO_TESTS_GAME_FIXTURE_H

#include <allegro.h>
#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <string>
#include <vector>

#include "support/gif_test_util.h"
#include "support/scratch.h"
#include "x_session.h"

// The game's executable and its art.
extern const char *const kGame;
extern const std::string kGraphics;
// What valgrind is not to report of the system's libraries.
extern const std::string kValgrindSuppressions;

// The art as the game shows it: decoded at 16 bits per pixel.
struct Art {
   BitmapPtr texture, titleMenu, titleScores, particle, logo, marks;
   Art();
};

// Whether a screenshot pixel shows the 16-bit colour c, allowing for the
// server's widening of 5 and 6 bits to 8.
bool shows(uint32_t pixel, int c);
bool shows_rgb(uint32_t pixel, int r, int g, int b);

// Whether the sprite's opaque pixels all show at (x, y).
bool sprite_at(const Screenshot &shot, BITMAP *sprite, int x, int y);

// Whether the menu's cursor stands beside item 0, 1 or 2.
bool cursor_on(const Screenshot &shot, const Art &art, int item);

// Whether the pixel lies in the live frame-rate text at the top left.
bool in_frame_rate_text(int x, int y);

// How many pixels of the two pictures differ, the frame-rate text aside.
int differences(const Screenshot &a, const Screenshot &b);

// The quit prompt's khaki panel, its brown outline and its question.
bool prompt_shown(const Screenshot &shot);

// The playfield: the frames of its two top gauges, which only it draws,
// and no quit prompt over it.
bool field_shown(const Screenshot &shot);

// Whether the screenshot shows the picture, but for the frame-rate text.
bool shows_picture(const Screenshot &shot, BITMAP *picture);

// How many pixels of the box show the colour.
int count_in(const Screenshot &shot, int x0, int y0, int x1, int y1, int r, int g, int b);

std::string read_text(const std::string &path);

// The executable with the command line alone and no display at all, in
// `folder`: what it prints (stdout and stderr), and its status.
std::string run_without_display(const std::string &arguments, int *status,
                                const std::string &folder = ".");

// What the table screen adds for the rows that have a replay: a small
// white triangle left of each, a frame round the chosen one, and the hint
// under the table.
void draw_replay_marks(BITMAP *picture, const std::vector<int> &rows, int chosen);

class GameTest : public testing::Test {
protected:
   void SetUp() override;

   // Takes screenshots until `ready` holds, for up to `seconds`.
   bool await(GameRun &game, const std::function<bool(const Screenshot &)> &ready,
              double seconds, Screenshot *shot);

   // Presses the key until `done` shows, up to three times: a press the
   // game never saw (a slow frame can hide a short one) is made again.
   // Waits afterwards until the screen takes keys again (15 ticks after a
   // move).
   bool press_until(GameRun &game, const std::string &key,
                    const std::function<bool(const Screenshot &)> &done);

   // Once its window is open: skips the intro with a key, and waits for the
   // menu and then until it takes keys. Whether the menu showed.
   bool reach_menu(GameRun &game, const Art &art);

   // Presses a key that ends the game until it has ended, up to three
   // times, holding it for `ms` (long enough for a slow frame to see it).
   void press_until_ended(GameRun &game, const std::string &key, int ms);

   // The files in the working folder besides the art and the sounds.
   std::set<std::string> left_behind() const;

   Scratch scratch;
   std::string folder;
   XServer server;
};

#endif
