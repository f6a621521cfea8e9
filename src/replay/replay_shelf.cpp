#include "replay_shelf.h"

#include <dirent.h>
#include <unistd.h>

#include <algorithm>

#include "files/replacement_file.h"

namespace {

const char kLast[] = "last.rpl";
const char kExtension[] = ".rpl";
const size_t kNone = size_t(-1);

bool isReplayName(const std::string &name)
{
   const size_t n = sizeof kExtension - 1;
   return name.size() > n && name.compare(name.size() - n, n, kExtension) == 0 && name != kLast &&
          name[0] != '.';
}

std::string write(const std::string &path, const Replay &replay)
{
   const std::string unmade = make_folder_of(path);
   return unmade.empty() ? replace_file(path, encodeReplay(replay)) : unmade;
}

}  // namespace

ReplayShelf::ReplayShelf(std::string folder) : folder_(std::move(folder))
{
   DIR *dir = opendir(folder_.c_str());
   if (!dir)
      return;
   while (const dirent *entry = readdir(dir)) {
      if (!isReplayName(entry->d_name))
         continue;
      const std::string file = folder_ + "/" + entry->d_name;
      std::string problem;
      const ReplayReading reading = readReplayFile(file, &problem);
      // A file the game cannot read is left alone: no row takes it.
      if (reading.fault == ReplayFault::None)
         kept_.push_back(
            {file, reading.replay.name, reading.replay.finalScore, reading.replay.start.startTime});
   }
   closedir(dir);
   sortKept();
}

void ReplayShelf::sortKept()
{
   std::sort(kept_.begin(), kept_.end(), [](const Kept &a, const Kept &b) {
      return a.startTime != b.startTime ? a.startTime < b.startTime : a.file < b.file;
   });
}

std::string ReplayShelf::keepLast(const Replay &replay)
{
   return write(lastFile(), replay);
}

std::string ReplayShelf::keepRow(const Replay &replay)
{
   const std::string stem = folder_ + "/" + std::to_string(replay.start.startTime) + "-" +
                            std::to_string(replay.finalScore);
   std::string file = stem + kExtension;
   for (int n = 2; access(file.c_str(), F_OK) == 0; n++)
      file = stem + "-" + std::to_string(n) + kExtension;
   const std::string problem = write(file, replay);
   if (problem.empty()) {
      kept_.push_back({file, replay.name, replay.finalScore, replay.start.startTime});
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

void ReplayShelf::prune(const std::vector<HighscoreEntry> &rows)
{
   std::vector<bool> taken(kept_.size(), false);
   for (size_t k : match(rows)) {
      if (k != kNone)
         taken[k] = true;
   }
   std::vector<Kept> still;
   for (size_t k = 0; k < kept_.size(); k++) {
      if (taken[k])
         still.push_back(kept_[k]);
      else
         unlink(kept_[k].file.c_str());
   }
   kept_ = still;
}
