// The table's rules: ordering and ties, the row a score takes, insertion,
// and the drawing of its ten rows, odd names included.
#include "app/app_fixture.h"
#include "scores/highscores.h"
#include "screens/score_table.h"
#include "scores_test_util.h"
#include "shell/assets.h"

namespace {

std::vector<HighscoreEntry> rows_of(const std::vector<int32_t> &scores)
{
   std::vector<HighscoreEntry> rows;
   for (size_t i = 0; i < scores.size(); i++)
      rows.push_back({std::string(1, char('a' + i)), scores[i]});
   return rows;
}

TEST(Highscores, RankOfAgainstTheDefaultTable)
{
   const struct {
      int32_t score;
      int32_t row;
   } cases[] = {{1000, -1}, {999, -1}, {-5, -1}, {1001, 0}, {int32_t(0x7fffffff), 0}};
   for (const auto &c : cases) {
      Highscores table;
      table.entries = default_rows();
      EXPECT_EQ(table.rankOf(c.score), c.row) << c.score;
      EXPECT_EQ(table.pendingRow, c.row) << c.score;
   }
}

TEST(Highscores, OrderingIsStableAndEqualScoresSettleBelow)
{
   Highscores table;
   EXPECT_EQ(table.pendingRow, 0);
   // Out of order, as a file may hold it; equal scores keep their order.
   table.entries = rows_of({5, 9, 5, 9, -3, 7, 0, 5, 9, 1});
   EXPECT_EQ(table.rankOf(5), 7);
   std::string got;
   for (const HighscoreEntry &row : table.entries)
      got += row.name;
   EXPECT_EQ(got, "bdifachjge");

   // A qualifying score equal to existing ones goes below the last of them.
   EXPECT_EQ(table.rankOf(9), 3);
   table.insert(9, "new");
   EXPECT_EQ(table.entries[3], (HighscoreEntry{"new", 9}));
   EXPECT_EQ(table.entries[2].name, "i");
   ASSERT_EQ(table.entries.size(), 10u);
   // The former tenth row (-3) is gone.
   EXPECT_EQ(table.entries[9], (HighscoreEntry{"g", 0}));
}

TEST(Highscores, InsertTakesTheRowRankOfGaveAndKeepsTen)
{
   for (int32_t score : {1001, 2000, int32_t(0x7fffffff)}) {
      Highscores table;
      table.entries = default_rows();
      const int32_t row = table.rankOf(score);
      table.insert(score, "Zed");
      ASSERT_EQ(table.entries.size(), 10u);
      EXPECT_EQ(table.entries[size_t(row)], (HighscoreEntry{"Zed", score}));
      EXPECT_EQ(table.entries[9].name, "Wopsi");
   }
}

using HighscoresDrawing = AppTest;

TEST_F(HighscoresDrawing, BackdropBannerAndTenRowsInWhite)
{
   Highscores table;
   table.entries = default_rows();
   table.entries[4] = {"", 5};
   drawTable(table);
   EXPECT_EQ(getpixel(backBuffer, 600, 400), textureColor());
   EXPECT_EQ(getpixel(backBuffer, 10, 100), scoresBannerColor());
   const int white = makecol(255, 255, 255);
   for (int i = 0; i < 10; i++) {
      const int y = 120 + 30 * i;
      SCOPED_TRACE(i);
      EXPECT_TRUE(has_color(backBuffer, 120, y, 135, y + 7, white));
      EXPECT_EQ(has_color(backBuffer, 160, y, 240, y + 7, white), i != 4);
      EXPECT_TRUE(has_color(backBuffer, 420, y, 460, y + 7, white));
      // Nothing between the rows.
      EXPECT_FALSE(has_color(backBuffer, 100, y + 9, 600, y + 29, white));
   }
}

// Names a file may hold, drawn whatever their bytes: under AddressSanitizer
// this proves nothing is read past a name.
TEST_F(HighscoresDrawing, OddNamesAreDrawnSafely)
{
   Highscores table;
   table.entries = default_rows();
   table.entries[0].name = kHeapStem + "\xF0";
   table.entries[1].name = kHeapStem + "\xC3";
   table.entries[2].name = std::string(100, 'M');
   table.entries[3].name = "\xFF";
   drawTable(table);
   const int white = makecol(255, 255, 255);
   EXPECT_TRUE(has_color(backBuffer, 160, 120, 190, 127, white));
   // The hundred-character name runs to the edge of the window.
   EXPECT_TRUE(has_color(backBuffer, 630, 180, 639, 187, white));
}

}  // namespace
