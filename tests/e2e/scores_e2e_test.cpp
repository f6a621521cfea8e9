// The high scores as a player meets them: the table screen from the menu,
// a game that ends in the name entry, and the file the game leaves behind.
#include <algorithm>

#include "game_fixture.h"

namespace {

struct Row {
   std::string name;
   int32_t score;
   bool operator==(const Row &other) const { return name == other.name && score == other.score; }
};

// The rows of hiscores.bin, read by its layout: ten records of a 100-byte
// name field ended by a zero byte and a little-endian score.
std::vector<Row> rows_in(const std::vector<unsigned char> &bytes)
{
   std::vector<Row> rows;
   for (size_t at = 0; at + 104 <= bytes.size(); at += 104) {
      const auto name = bytes.begin() + long(at);
      const auto end = std::find(name, name + 100, 0);
      uint32_t score = 0;
      for (int k = 3; k >= 0; k--)
         score = score << 8 | bytes[at + 100 + size_t(k)];
      rows.push_back({std::string(name, end), int32_t(score)});
   }
   return rows;
}

const std::vector<Row> kDefaultRows = {
   {"Quorvath", 1000}, {"Pellim", 1000}, {"Vun", 1000},  {"Tresk", 1000}, {"Bolmi", 1000},
   {"Kap", 1000},      {"Yurla", 1000},  {"Fenn", 1000}, {"Wopsi", 1000}, {"Ilve", 1000},
};

int white()
{
   return makecol16(255, 255, 255);
}

// The table screen showing the rows.
BitmapPtr table_picture(const Art &art, const std::vector<Row> &rows)
{
   BitmapPtr picture(create_bitmap_ex(16, 640, 480));
   blit(art.texture.get(), picture.get(), 0, 0, 0, 0, 640, 480);
   blit(art.titleScores.get(), picture.get(), 0, 0, 0, 0, art.titleScores->w, art.titleScores->h);
   for (size_t i = 0; i < rows.size(); i++) {
      const int y = 120 + 30 * int(i);
      textprintf_ex(picture.get(), font, 120, y, white(), -1, "%i. ", int(i) + 1);
      textprintf_ex(picture.get(), font, 160, y, white(), -1, "%s", rows[i].name.c_str());
      textprintf_ex(picture.get(), font, 420, y, white(), -1, "%i", rows[i].score);
   }
   return picture;
}

class ScoresTest : public GameTest {
protected:
   // From the start to the menu, skipping the intro.
   void to_menu(GameRun &game)
   {
      ASSERT_NE(game.window(), 0u) << game.output();
      Screenshot shot;
      game.press("x");
      ASSERT_TRUE(await(game, [&](const Screenshot &s) { return cursor_on(s, art, 0); }, 8, &shot))
         << "no menu";
      pause_ms(600);
   }

   // Esc to the menu, Esc to leave; the game ends normally.
   void leave(GameRun &game)
   {
      EXPECT_TRUE(press_until(game, "Escape", [&](const Screenshot &s) { return cursor_on(s, art, 0); }));
      // The menu takes keys half a second after it opens.
      pause_ms(400);
      press_until_ended(game, "Escape", 100);
      EXPECT_EQ(game.wait(), 0);
      EXPECT_EQ(game.output(), "");
   }

   const Art art;
};

TEST_F(ScoresTest, NoFileShowsTheDefaultRowsAndLeavesThemInTheFile)
{
   GameRun game(server, kGame, folder);
   to_menu(game);
   const BitmapPtr expected = table_picture(art, kDefaultRows);
   Screenshot shot;
   ASSERT_TRUE(press_until(game, "h", [&](const Screenshot &s) {
      shot = s;
      return shows_picture(s, expected.get());
   })) << "no table of the default rows";
   shot.save_ppm(std::string(TOSSARO_BINARY_DIR) + "/scores.ppm");
   leave(game);
   EXPECT_EQ(left_behind(), std::set<std::string>{"hiscores.bin"});
   const std::vector<unsigned char> bytes = read_file(folder + "/hiscores.bin");
   EXPECT_EQ(bytes.size(), 1040u);
   EXPECT_EQ(rows_in(bytes), kDefaultRows);
}

}  // namespace
