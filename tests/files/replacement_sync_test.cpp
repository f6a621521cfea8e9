// A GIF saved through save_bitmap reaches the disk before it takes the
// older file's place, and its new name reaches the disk after.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <filesystem>
#include <string>
#include <vector>

#include "gif/gif.h"
#include "support/scratch.h"

namespace {

bool recording = false;
// The calls seen while recording: "fsync FILE (N bytes)" for a regular
// file, "fsync FOLDER", "rename FROM TO".
std::vector<std::string> calls;

std::string synced(int fd)
{
   char name[PATH_MAX];
   const ssize_t n =
      readlink(("/proc/self/fd/" + std::to_string(fd)).c_str(), name, sizeof name - 1);
   struct stat st;
   if (n < 0 || fstat(fd, &st) != 0)
      return "fsync of an unknown descriptor";
   const std::string call = "fsync " + std::string(name, size_t(n));
   return S_ISREG(st.st_mode) ? call + " (" + std::to_string(st.st_size) + " bytes)" : call;
}

}  // namespace

extern "C" {

int __real_fsync(int fd);
int __real_rename(const char *from, const char *to);

int __wrap_fsync(int fd)
{
   if (recording)
      calls.push_back(synced(fd));
   return __real_fsync(fd);
}

int __wrap_rename(const char *from, const char *to)
{
   if (recording)
      calls.push_back(std::string("rename ") + from + " " + to);
   return __real_rename(from, to);
}
}

namespace {

TEST(ReplacementFile, SavedGifIsSyncedThenRenamedThenItsFolderSynced)
{
   register_gif_type();
   Scratch scratch;
   // The real path, as /proc names the files that are synced.
   const std::string folder = std::filesystem::canonical(scratch.path("")).string();
   const std::string target = folder + "/saved.gif";
   scratch.write("saved.gif", {'o', 'l', 'd'});
   BITMAP *bitmap = create_bitmap_ex(8, 3, 2);
   ASSERT_TRUE(bitmap);
   clear_to_color(bitmap, 7);

   recording = true;
   const int result = save_bitmap(target.c_str(), bitmap, nullptr);
   recording = false;
   destroy_bitmap(bitmap);
   ASSERT_EQ(result, 0);

   const std::vector<unsigned char> saved = read_file(target);
   ASSERT_GE(saved.size(), 6u);
   EXPECT_EQ(std::string(saved.begin(), saved.begin() + 6), "GIF89a");
   // The temporary file, synced first, is hidden beside the target, with a
   // name no person picks: ".saved.gif.tmp-" and six characters.
   const std::string stem = "fsync " + folder + "/.saved.gif.tmp-";
   ASSERT_FALSE(calls.empty());
   ASSERT_EQ(calls[0].rfind(stem, 0), 0u) << calls[0];
   const std::string temporary = folder + "/.saved.gif.tmp-" + calls[0].substr(stem.size(), 6);
   const std::vector<std::string> expected = {
      "fsync " + temporary + " (" + std::to_string(saved.size()) + " bytes)",
      "rename " + temporary + " " + target,
      "fsync " + folder,
   };
   EXPECT_EQ(calls, expected);
}

}  // namespace
