#include "scores/replay_shelf.h"

#include <dirent.h>
#include <unistd.h>

#include <algorithm>

#include "files/paths.h"
#include "files/replacement_file.h"

namespace {

const char kExtension[] = ".rpl";
const size_t kNone = size_t(-1);

bool endsWith(const std::string &s, const std::string &end)
{
   return s.size() >= end.size() && s.compare(s.size() - end.size(), end.size(), end) == 0;
}

// Whether keepRow gives this name to a file whose name begins with `stem`
// (the table, the start and the score): the stem alone, or with "-2",
// "-3"... for a later game of the same second and score.
bool keptAs(const std::string &name, const std::string &stem)
{
   if (name.compare(0, stem.size(), stem) != 0 || !endsWith(name, kExtension))
      return false;
   const std::string rest =
      name.substr(stem.size(), name.size() - stem.size() - (sizeof kExtension - 1));
   if (rest.empty())
      return true;
   const std::string n = rest.substr(1);
   return rest[0] == '-' && !n.empty() && n.find_first_not_of("0123456789") == std::string::npos &&
          n[0] != '0' && n != "1";
}

std::string stemOf(int64_t startTime, int32_t score)
{
   return std::to_string(startTime) + "-" + std::to_string(score);
}

std::string write(const std::string &path, const Replay &replay)
{
   const std::string unmade = make_folder_of(path);
   return unmade.empty() ? replace_file(path, encodeReplay(replay)) : unmade;
}

}  // namespace

ReplayShelf::ReplayShelf(std::string folder, std::string table)
    : folder_(std::move(folder)), table_(std::move(table))
{
   scan();
}

void ReplayShelf::scan()
{
   kept_.clear();
   DIR *dir = opendir(folder_.c_str());
   if (!dir)
      return;
   // The default table's replays were once named without the table.
   const bool untitledToo = table_ == Highscores::kFile;
   const std::string prefix = table_ + "-";
   while (const dirent *entry = readdir(dir)) {
      const std::string name = entry->d_name;
      const bool titled = name.compare(0, prefix.size(), prefix) == 0;
      const bool untitled = untitledToo && !titled && name[0] >= '0' && name[0] <= '9';
      if ((!titled && !untitled) || !endsWith(name, kExtension))
         continue;
      const std::string file = folder_ + "/" + name;
      std::string problem;
      const ReplayReading reading = readReplayFile(file, &problem);
      const Replay &replay = reading.replay;
      const std::string stem = stemOf(replay.start.startTime, replay.finalScore);
      // A file the game cannot read, or did not name, is left alone: no
      // row takes it.
      if (reading.fault == ReplayFault::None && keptAs(name, titled ? prefix + stem : stem))
         kept_.push_back({file, replay.name, replay.finalScore, replay.start.startTime, untitled});
   }
   closedir(dir);
   sortKept();
}

void ReplayShelf::sortKept()
{
   std::sort(kept_.begin(), kept_.end(), [](const Kept &a, const Kept &b) {
      if (a.untitled != b.untitled)
         return b.untitled;
      if (a.startTime != b.startTime)
         return a.startTime < b.startTime;
      // Of one second, "-2" after the first and "-10" after "-9".
      return a.file.size() != b.file.size() ? a.file.size() < b.file.size() : a.file < b.file;
   });
}

std::string ReplayShelf::keepLast(const Replay &replay)
{
   return write(lastFile(), replay);
}

std::string ReplayShelf::keepRow(const Replay &replay)
{
   const std::string stem =
      folder_ + "/" + table_ + "-" + stemOf(replay.start.startTime, replay.finalScore);
   std::string file = stem + kExtension;
   for (int n = 2; access(file.c_str(), F_OK) == 0; n++)
      file = stem + "-" + std::to_string(n) + kExtension;
   const std::string problem = write(file, replay);
   if (problem.empty()) {
      kept_.push_back({file, replay.name, replay.finalScore, replay.start.startTime, false});
      sortKept();
   }
   return problem;
}

std::vector<size_t> ReplayShelf::match(const std::vector<HighscoreEntry> &rows) const
{
   std::vector<size_t> taken(rows.size(), kNone);
   std::vector<bool> used(kept_.size(), false);
   for (size_t r = 0; r < rows.size(); r++) {
      for (size_t k = 0; k < kept_.size(); k++) {
         if (!used[k] && kept_[k].name == rows[r].name && kept_[k].score == rows[r].score) {
            used[k] = true;
            taken[r] = k;
            break;
         }
      }
   }
   return taken;
}

std::vector<std::string> ReplayShelf::filesOf(const std::vector<HighscoreEntry> &rows) const
{
   std::vector<std::string> files;
   for (size_t k : match(rows))
      files.push_back(k == kNone ? std::string() : kept_[k].file);
   return files;
}

void ReplayShelf::prune(const std::vector<HighscoreEntry> &rows,
                        const std::vector<HighscoreEntry> &leftOut)
{
   scan();
   std::vector<HighscoreEntry> all = rows;
   all.insert(all.end(), leftOut.begin(), leftOut.end());
   const std::vector<size_t> taken = match(all);
   std::vector<bool> gone(kept_.size(), false);
   for (size_t r = rows.size(); r < all.size(); r++) {
      const size_t k = taken[r];
      if (k != kNone && !kept_[k].untitled)
         gone[k] = unlink(kept_[k].file.c_str()) == 0;
   }
   std::vector<Kept> still;
   for (size_t k = 0; k < kept_.size(); k++) {
      if (!gone[k])
         still.push_back(kept_[k]);
   }
   kept_ = still;
}
