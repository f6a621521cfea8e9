#include "scores_test_util.h"

bool operator==(const HighscoreEntry &a, const HighscoreEntry &b)
{
   return a.name == b.name && a.score == b.score;
}

std::ostream &operator<<(std::ostream &out, const HighscoreEntry &row)
{
   return out << '"' << row.name << "\" " << row.score;
}

std::vector<unsigned char> record(const std::string &name, int32_t score)
{
   std::vector<unsigned char> bytes(104, 0);
   std::copy(name.begin(), name.begin() + long(std::min<size_t>(name.size(), 100)), bytes.begin());
   for (int k = 0; k < 4; k++)
      bytes[size_t(100 + k)] = uint8_t(uint32_t(score) >> (8 * k));
   return bytes;
}

std::vector<HighscoreEntry> default_rows()
{
   std::vector<HighscoreEntry> rows;
   for (const char *name :
        {"Quorvath", "Pellim", "Vun", "Tresk", "Bolmi", "Kap", "Yurla", "Fenn", "Wopsi", "Ilve"})
      rows.push_back({name, 1000});
   return rows;
}
