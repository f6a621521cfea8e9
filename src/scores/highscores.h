// The ten best results, best first, and their file hiscores.bin.
#ifndef TOSSARO_SCORES_HIGHSCORES_H
#define TOSSARO_SCORES_HIGHSCORES_H

#include <cstdint>
#include <string>
#include <vector>

// One row: a player's name and the points of that game.
struct HighscoreEntry {
   std::string name;
   int32_t score;
};

class Highscores {
public:
   virtual ~Highscores() = default;

   // Fills the table from the file, or with the default rows when there is
   // none. Whole records a short file lacks take the default row of their
   // place. Returns an empty string, or one line when the file could not
   // be read (the default rows then) or is no table: one that holds more
   // than a table, a folder, a device or a FIFO (not waited for). The rows
   // of a run on no table stay in memory, and it is never written over.
   std::string load(const std::string &path);
   std::string load() { return load(file); }

   // Writes the ten rows to the file without ever losing the old one: a
   // temporary file beside it is written, synced and renamed over it. A
   // symbolic link stays one and the file keeps its permissions. A file
   // that holds these very bytes already is left as it is. Saves hold a
   // lock on the folder, read the file again under it and remove what
   // saves killed before their rename left behind; another copy of the
   // game may have saved since this table read the file, and then the rows
   // inserted here are put into the file's table instead, which becomes
   // this one. Returns an empty string, or one line saying what failed:
   // the old file is as it was, and the rows inserted here wait for the
   // next save. Nothing is written without the lock (unless the file
   // system has no locks) or when the file cannot be read again. A table
   // kept in memory writes nothing either, and says so only when it holds
   // rows inserted here, which are lost.
   std::string save(const std::string &path) { return save(path, lockWait); }
   std::string save() { return save(file); }
   // The same without waiting: when another copy holds the lock, says so
   // at once, and lockedOut() holds.
   std::string trySave() { return save(file, 0); }

   // Whether the last save failed only because another copy of the game
   // held the lock.
   bool lockedOut() const { return lockedOut_; }

   // Whether rows inserted here wait for a save to put them in the file.
   bool unsaved() const { return !added_.empty(); }

   // The rows that saves since the last call wrote out of the file: those
   // the file or this table held before and that fell below the tenth
   // (new rows of this run among them, when another copy's better rows
   // came first). Their replays are to go.
   std::vector<HighscoreEntry> takeLeftOut();

   // Whether the table has no file of its own (no name, or no table at
   // it): its rows live as long as the run.
   bool keptInMemory() const { return inMemory(file); }

   // Puts the rows in order and returns the row a score would take, -1
   // when it does not enter the table; also kept in pendingRow.
   int32_t rankOf(int32_t score);

   // Adds the row where rankOf placed it; the lowest row drops out.
   void insert(int32_t score, const std::string &name);

   static const char *const kFile;
   static const int kRows = 10;

   std::vector<HighscoreEntry> entries;  // best first
   int32_t pendingRow = 0;  // the row of the last rankOf, -1 if it did not qualify
   std::string file = kFile;  // where load() and save() read and write
   bool makesItsFolder = false;  // save() makes a missing folder, private to the user
   // Seconds a save waits for another copy of the game to finish its own,
   // which holds the lock for milliseconds.
   double lockWait = 3;

private:
   std::string save(const std::string &path, double wait);

   // Higher scores first; equal scores keep their order.
   void sort();

   // The rows of the file's bytes; default rows where they end.
   void fill(const std::vector<unsigned char> &bytes);

   // Whether saving to `path` keeps the rows in memory only.
   bool inMemory(const std::string &path) const
   {
      return path.empty() || (notATable_ && path == seenPath_);
   }

   // The rows inserted since the file was last read or written.
   std::vector<HighscoreEntry> added_;
   // The file's bytes as this table last read or wrote them, and which file.
   std::vector<unsigned char> seen_;
   std::string seenPath_;
   // seenPath_ was no table when it was loaded: never written.
   bool notATable_ = false;
   // The rows inserts dropped since the file was last read or written,
   // and those that saves have dropped from the file since takeLeftOut.
   std::vector<HighscoreEntry> dropped_, leftOut_;
   bool lockedOut_ = false;
};

// The program's table: loaded at start-up, saved when a name is confirmed
// and at exit. Changed by the game-over and name-entry screens.
extern Highscores highscores;

#endif
