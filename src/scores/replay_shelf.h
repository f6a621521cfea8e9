// The replays kept beside a high-score table, in its folder's replays/:
// last.rpl, the last game played, and one file for each row of the table
// that was played here, named after the table, the game's start and its
// score (hiscores.bin-1733600000-1310.rpl) and found by the row's name and
// score. A row's file goes only when a save of its own table has written
// the table without the row; the shelf touches no other file.
#ifndef TOSSARO_SCORES_REPLAY_SHELF_H
#define TOSSARO_SCORES_REPLAY_SHELF_H

#include <cstdint>
#include <string>
#include <vector>

#include "replay/replay_file.h"
#include "scores/highscores.h"

class ReplayShelf {
public:
   // The shelf of the table file named `table` in `folder`, as its files
   // are now: each row file's name, score and start read from it. A folder
   // that is not there is empty. Nothing is removed.
   ReplayShelf(std::string folder, std::string table);

   const std::string &folder() const { return folder_; }
   std::string lastFile() const { return folder_ + "/last.rpl"; }

   // Writes the last game, making the folder when missing. Returns an
   // empty string, or one line naming the file and what failed.
   std::string keepLast(const Replay &replay);
   // Writes the replay of a row that has just entered the table, named
   // after the table, its start and its score; a later game of the same
   // second and score gets "-2", then "-3".
   std::string keepRow(const Replay &replay);

   // The file of each row, or an empty string for a row without one: the
   // rows take the files of their name and score in the order they were
   // played.
   std::vector<std::string> filesOf(const std::vector<HighscoreEntry> &rows) const;
   // After a save of the table wrote `rows` without the rows `leftOut`:
   // removes the files those rows take, as the folder holds them now
   // (another copy of the game may have added some). Files named before
   // replays carried their table's name are shown for hiscores.bin, and
   // never removed: they may be another table's.
   void prune(const std::vector<HighscoreEntry> &rows, const std::vector<HighscoreEntry> &leftOut);

private:
   struct Kept {
      std::string file;
      std::string name;
      int32_t score;
      int64_t startTime;
      bool untitled;  // named without its table, as replays once were
   };
   void scan();
   std::vector<size_t> match(const std::vector<HighscoreEntry> &rows) const;
   void sortKept();

   std::string folder_;
   std::string table_;
   std::vector<Kept> kept_;  // the row files, their table's own first, each oldest game first
};

#endif
