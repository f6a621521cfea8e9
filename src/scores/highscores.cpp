#include "scores/highscores.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "files/input_file.h"
#include "files/paths.h"
#include "files/replacement_file.h"
#include "scores/table_file.h"

Highscores highscores;

const char *const Highscores::kFile = "hiscores.bin";

namespace {

// A record: the name's bytes and a zero byte in a 100-byte field, then the
// score, signed 32-bit little-endian.
const size_t kNameField = 100;
const size_t kRecordSize = 104;
const size_t kFileSize = Highscores::kRows * kRecordSize;

const char *const kDefaultNames[Highscores::kRows] = {
   "Quorvath", "Pellim", "Vun", "Tresk", "Bolmi", "Kap", "Yurla", "Fenn", "Wopsi", "Ilve",
};
const int32_t kDefaultScore = 1000;


// What a failed save adds to its reason.
const char *const kNotSaved = "; not saved";

HighscoreEntry readRecord(const unsigned char *record)
{
   const size_t length = std::find(record, record + kNameField, 0) - record;
   uint32_t score = 0;
   for (int k = 3; k >= 0; k--)
      score = score << 8 | record[kNameField + k];
   return {std::string(reinterpret_cast<const char *>(record), length), int32_t(score)};
}

void writeRecord(const HighscoreEntry &entry, unsigned char *record)
{
   // A name only a file can hold (100 bytes, no zero) is cut so that its
   // zero byte stays inside the field.
   const size_t length = std::min(entry.name.size(), kNameField - 1);
   memset(record, 0, kNameField);
   memcpy(record, entry.name.data(), length);
   const uint32_t score = uint32_t(entry.score);
   for (int k = 0; k < 4; k++)
      record[kNameField + k] = uint8_t(score >> (8 * k));
}

}  // namespace

void Highscores::fill(const std::vector<unsigned char> &bytes)
{
   entries.clear();
   for (size_t i = 0; i < size_t(kRows); i++) {
      if ((i + 1) * kRecordSize <= bytes.size())
         entries.push_back(readRecord(&bytes[i * kRecordSize]));
      else
         entries.push_back({kDefaultNames[i], kDefaultScore});
   }
}

std::string Highscores::load(const std::string &path)
{
   const InputFile input = read_input_file(path, kFileSize);
   fill(input.bytes);
   seen_ = input.bytes;
   seenPath_ = path;
   added_.clear();
   dropped_.clear();
   notATable_ = input.too_large || input.not_regular;
   if (notATable_)
      return input.problem + ", so it is no table: this run's scores are kept in memory only";
   return input.missing ? std::string() : input.problem;
}

std::string Highscores::save(const std::string &path, double wait)
{
   lockedOut_ = false;
   // Said at load; said again only when rows of this run are lost.
   if (inMemory(path) && added_.empty())
      return std::string();
   if (inMemory(path))
      return (path.empty() ? "the high scores have no file" : path + ": no table") +
             ", so the names stored in this run are not kept";
   if (makesItsFolder) {
      const std::string problem = make_folder_of(path);
      if (!problem.empty())
         return problem + kNotSaved;
   }
   // The lock and the clean-up are those of the folder the temporary
   // files go to: beside the file the links lead to.
   std::string target;
   const std::string loop = follow_links(path, &target);
   if (!loop.empty())
      return loop + kNotSaved;
   const FolderLock lock(target, wait);
   if (!lock.problem().empty()) {
      lockedOut_ = lock.busy();
      return path + ": " + lock.problem() + kNotSaved;
   }
   // Only a missing file is no table to keep; one that cannot be read is
   // never replaced by what this table holds.
   const InputFile current = read_input_file(path, kFileSize);
   if (!current.missing && !current.problem.empty())
      return current.problem + kNotSaved;
   if (path == seenPath_ && current.bytes != seen_) {
      const std::vector<HighscoreEntry> mine = added_;
      fill(current.bytes);
      seen_ = current.bytes;
      added_.clear();
      dropped_.clear();
      for (const HighscoreEntry &row : mine)
         insert(row.score, row.name);
   }
   std::vector<unsigned char> bytes(kFileSize, 0);
   for (size_t i = 0; i < entries.size() && i < size_t(kRows); i++)
      writeRecord(entries[i], &bytes[i * kRecordSize]);
   const std::string problem =
      current.missing || current.bytes != bytes ? replace_file(path, bytes) : std::string();
   if (problem.empty()) {
      seen_ = bytes;
      seenPath_ = path;
      added_.clear();
      leftOut_.insert(leftOut_.end(), dropped_.begin(), dropped_.end());
      dropped_.clear();
   }
   removeLeftovers(target);
   return problem.empty() ? problem : problem + kNotSaved;
}

void Highscores::sort()
{
   std::stable_sort(entries.begin(), entries.end(),
                    [](const HighscoreEntry &a, const HighscoreEntry &b) { return a.score > b.score; });
}

int32_t Highscores::rankOf(int32_t score)
{
   sort();
   pendingRow = -1;
   for (size_t i = 0; i < entries.size(); i++) {
      if (entries[i].score < score) {
         pendingRow = int32_t(i);
         break;
      }
   }
   return pendingRow;
}

void Highscores::insert(int32_t score, const std::string &name)
{
   // Coming last, the new row settles below every row of the same score.
   entries.push_back({name, score});
   added_.push_back({name, score});
   sort();
   if (entries.size() > size_t(kRows)) {
      dropped_.push_back(entries.back());
      entries.pop_back();
   }
}

std::vector<HighscoreEntry> Highscores::takeLeftOut()
{
   std::vector<HighscoreEntry> rows;
   rows.swap(leftOut_);
   return rows;
}
