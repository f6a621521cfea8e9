// The menu's keys, their order within a tick, the cursor and its wrap.
#include "app_fixture.h"
#include "screens/how_to_play.h"
#include "screens/menu.h"
#include "shell/assets.h"
#include "shell/screen_state.h"

namespace {

using MenuTest = AppTest;

void press(ScriptedKeys &keys, std::set<int> down)
{
   keys.down = std::move(down);
   screenState = Menu;
   inputDelay = 0;
   updateMenu();
}

TEST_F(MenuTest, ShortcutsWorkWhateverIsSelected)
{
   menuSelection = 2;
   press(scripted, {KEY_P});
   EXPECT_EQ(screenState, Playing);
   EXPECT_EQ(inputDelay, 50);
   EXPECT_EQ(scripted.clears, 1);

   press(scripted, {KEY_H});
   EXPECT_EQ(screenState, ScoreTable);
   EXPECT_EQ(inputDelay, 50);
   EXPECT_EQ(scripted.clears, 2);

   press(scripted, {KEY_ESC});
   EXPECT_EQ(screenState, Exit);
   EXPECT_EQ(inputDelay, 0);
   EXPECT_EQ(scripted.clears, 2);
   EXPECT_EQ(heard.of(Cue::ChoiceMade).size(), 2u);
}

TEST_F(MenuTest, F1ShowsHowToPlayWhichAlsoComesBeforeAFirstGame)
{
   static int told = 0;
   howToPlayShown = [] { told++; };
   const struct {
      bool first;  // How to play before the next game
      std::set<int> menuKeys, keys;
      ScreenState after;
      bool stillFirst;
   } cases[] = {
      {false, {KEY_F1}, {KEY_ESC}, Menu, false},
      {false, {KEY_F1}, {KEY_ENTER}, Menu, false},
      {false, {KEY_F1}, {KEY_F1}, Menu, false},
      {false, {KEY_P}, {}, Playing, false},
      {true, {KEY_P}, {KEY_ENTER}, Playing, false},
      {true, {KEY_ENTER}, {KEY_SPACE}, Playing, false},
      {true, {KEY_P}, {KEY_ESC}, Menu, true},
      {true, {KEY_F1}, {KEY_ENTER}, Menu, true},
   };
   for (const auto &c : cases) {
      told = 0;
      howToPlayFirst = c.first;
      menuSelection = 0;
      press(scripted, c.menuKeys);
      if (c.menuKeys != std::set<int>{KEY_P} || c.first) {
         ASSERT_EQ(screenState, HowToPlay) << c.first;
         scripted.down = c.keys;
         updateHowToPlay();
         EXPECT_EQ(screenState, HowToPlay) << "keys wait for the delay";
         inputDelay = 0;
         scripted.buffer = {'x'};
         updateHowToPlay();
         EXPECT_EQ(scripted.buffer.empty(), screenState != HowToPlay)
            << "what was typed here goes with the screen";
      }
      EXPECT_EQ(screenState, c.after) << c.first << " " << c.keys.size();
      EXPECT_EQ(howToPlayFirst, c.stillFirst);
      EXPECT_EQ(told, c.first && !c.stillFirst ? 1 : 0) << "the settings are told once";
   }
   howToPlayFirst = false;
   howToPlayShown = nullptr;
}

TEST_F(MenuTest, EnterAndSpaceActOnTheSelection)
{
   const int expected[] = {Playing, ScoreTable, Exit};
   for (int key : {KEY_ENTER, KEY_SPACE}) {
      for (int item = 0; item < 3; item++) {
         menuSelection = item;
         press(scripted, {key});
         EXPECT_EQ(screenState, expected[item]) << "item " << item;
      }
   }
}

TEST_F(MenuTest, LaterChecksWinWithinOneTick)
{
   // P starts a game, then Esc in the same tick leaves.
   press(scripted, {KEY_P, KEY_ESC});
   EXPECT_EQ(screenState, Exit);
   // H shows the table, then Enter on "  Exit" leaves.
   menuSelection = 2;
   press(scripted, {KEY_H, KEY_ENTER});
   EXPECT_EQ(screenState, Exit);
   // An arrow moves the cursor after Enter acted on the old selection.
   menuSelection = 0;
   press(scripted, {KEY_ENTER, KEY_DOWN});
   EXPECT_EQ(screenState, Playing);
   EXPECT_EQ(menuSelection, 1);
   EXPECT_EQ(inputDelay, 15);
}

TEST_F(MenuTest, ArrowsMoveAndWrapAndPaceThemselves)
{
   press(scripted, {KEY_UP});
   EXPECT_EQ(menuSelection, 2);
   EXPECT_EQ(inputDelay, 15);
   EXPECT_EQ(screenState, Menu);
   EXPECT_EQ(heard.of(Cue::CursorMoved).size(), 1u);
   press(scripted, {KEY_DOWN});
   EXPECT_EQ(menuSelection, 0);
   press(scripted, {KEY_DOWN});
   press(scripted, {KEY_DOWN});
   EXPECT_EQ(menuSelection, 2);
   press(scripted, {KEY_DOWN});
   EXPECT_EQ(menuSelection, 0);
   // Up wins over Down when both are held.
   press(scripted, {KEY_UP, KEY_DOWN});
   EXPECT_EQ(menuSelection, 2);
}

TEST_F(MenuTest, NothingHappensWhileTheDelayRuns)
{
   scripted.down = {KEY_P, KEY_ESC, KEY_DOWN, KEY_ENTER};
   screenState = Menu;
   inputDelay = 1;
   updateMenu();
   EXPECT_EQ(screenState, Menu);
   EXPECT_EQ(menuSelection, 0);
   EXPECT_EQ(inputDelay, 1);
}

TEST_F(MenuTest, DrawsBackdropBannerItemsAndTheCursorBesideTheSelection)
{
   menuSelection = 1;
   drawMenu();
   EXPECT_EQ(getpixel(backBuffer, 600, 400), textureColor());
   EXPECT_EQ(getpixel(backBuffer, 10, 100), bannerColor());
   const int brown = makecol(69, 63, 48);
   for (int y : {180, 210, 240})
      EXPECT_TRUE(has_color(backBuffer, 220, y, 220 + 11 * 8, y + 7, brown)) << y;
   EXPECT_EQ(getpixel(backBuffer, 188, 213), particleColor());
   EXPECT_EQ(getpixel(backBuffer, 348, 213), particleColor());
   EXPECT_FALSE(has_color(backBuffer, 180, 175, 195, 190, particleColor()));
   // The sprite's mask colour leaves the backdrop showing.
   EXPECT_EQ(getpixel(backBuffer, 180, 205), textureColor());
}

}  // namespace
