#include "screens/name_entry.h"

#include <allegro.h>

#include <ctime>

#include "audio/sound.h"
#include "scores/highscores.h"
#include "screens/playfield.h"
#include "screens/playfield_drawing.h"
#include "screens/score_table.h"
#include "shell/assets.h"
#include "shell/keyboard.h"
#include "shell/picture.h"
#include "shell/screen_state.h"

std::string playerName;
const size_t maxNameLength = 26;

namespace {

const int kPanelX1 = 144, kPanelX2 = 480, kNameX = 160;
// The caret shows for half of each second.
const int kCaretTicks = 50;
int caretTicks = 0;
// Sparks appear beside both ends of the panel on about one tick in seven.
const int kSparkChance = 7;
const int kSparkLeftX = 100, kSparkRightX = 520;

// The numbers of the sparkle: the screen's own, so that it never draws on
// a game's.
GameRandom sparkle(uint32_t(time(nullptr)));

void confirm()
{
   highscores.insert(playedGame().score, playerName);
   // Saved at once, so a crash later in the run cannot lose the row. A
   // failure is said when the save gives up, and the table screen shows a
   // notice until a save succeeds; the save at exit tries again. A table
   // kept in memory has only its notice: the exit says what is lost.
   if (!highscores.keptInMemory())
      saveTable();
   playSound(Cue::NameStored);
   screenState = ScoreTable;
   inputDelay = kScreenChangeDelay;
}

// One typed key: a character added, backspace, or Enter with a name.
// Enter counts where it was typed, after the keys typed before it, so a
// name typed fast and ended at once is stored whole.
void type(int c)
{
   if (isNameCharacter(c) && playerName.size() < maxNameLength)
      playerName += char(c);
   if (c == kBackspace && !playerName.empty())
      playerName.pop_back();
   if (c == kEnter && !playerName.empty())
      confirm();
}

}  // namespace

int nameCharacterIndex(int c)
{
   const int capital = c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c;
   const size_t at =
      capital > 0 && capital < 128 ? kNameCharacters.find(char(capital)) : std::string_view::npos;
   return at == std::string_view::npos ? -1 : int(at);
}

void updateNameEntry()
{
   if (inputDelay <= 0) {
      // Abandoning inserts nothing, and the keys typed ahead go with it.
      if (keys->held(KEY_ESC)) {
         screenState = Menu;
         inputDelay = kAbandonNameDelay;
         keys->clearKeybuf();
      }
      // One key a tick; keys typed ahead wait for the next ticks.
      if (screenState == NameEntry && keys->keypressed())
         type(keys->readkey() & 0xff);
   }
   caretTicks = (caretTicks + 1) % (2 * kCaretTicks);
   // The sparks of the game just ended go on here, beside the new ones.
   std::vector<Particle> &sparks = playedGame().sparks;
   updateSparks(sparks);
   if (sparkle.next() % kSparkChance == 1) {
      const int y = tableRowTop(highscores.pendingRow) - 2;
      spawnSparks(sparks, sparkle, 1, kSparkLeftX, y);
      spawnSparks(sparks, sparkle, 1, kSparkRightX, y);
   }
}

void drawNameEntry()
{
   drawTable(highscores);
   const int y = tableRowTop(highscores.pendingRow);
   rectfill(backBuffer, kPanelX1, y - 4, kPanelX2, y + 10, makecol(kPanelFace));
   rect(backBuffer, kPanelX1, y - 4, kPanelX2, y + 10, makecol(kPanelInk));
   const int white = makecol(255, 255, 255);
   textprintf_ex(backBuffer, font, kNameX, y, white, -1, "%s", playerName.c_str());
   if (caretTicks < kCaretTicks)
      textout_ex(backBuffer, font, "_", kNameX + text_length(font, playerName.c_str()), y, white,
                 -1);
   // The score being entered, where the row's score goes.
   textprintf_ex(backBuffer, font, kTableScoreX, y, white, -1, "%i", playedGame().score);
   drawSparks(playedGame().sparks);
}
