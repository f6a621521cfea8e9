// The replays kept beside the high-score table, in its folder's replays/:
// last.rpl, the last game played, and one file for each row of the table
// that was played here, found by the row's name and score. A row's file
// goes when its row leaves the table.
#ifndef TOSSARO_REPLAY_REPLAY_SHELF_H
#define TOSSARO_REPLAY_REPLAY_SHELF_H

#include <cstdint>
#include <string>
#include <vector>

#include "replay_file.h"
#include "scores/highscores.h"

class ReplayShelf {
public:
   // The shelf in `folder`, as its files are now: each row file's name,
   // score and start read from it. A folder that is not there is empty.
   explicit ReplayShelf(std::string folder);

   const std::string &folder() const { return folder_; }
   std::string lastFile() const { return folder_ + "/last.rpl"; }

   // Writes the last game, making the folder when missing. Returns an
   // empty string, or one line naming the file and what failed.
   std::string keepLast(const Replay &replay);
   // Writes the replay of a row that has just entered the table, named
   // after its start and score.
   std::string keepRow(const Replay &replay);

   // The file of each row, or an empty string for a row without one: the
   // rows take the files of their name and score in the order they were
   // played.
   std::vector<std::string> filesOf(const std::vector<HighscoreEntry> &rows) const;
   // Removes the row files that no row of the table takes.
   void prune(const std::vector<HighscoreEntry> &rows);

private:
   struct Kept {
      std::string file;
      std::string name;
      int32_t score;
      int64_t startTime;
   };
   std::vector<size_t> match(const std::vector<HighscoreEntry> &rows) const;
   void sortKept();

   std::string folder_;
   std::vector<Kept> kept_;  // the row files, oldest game first
};

#endif
