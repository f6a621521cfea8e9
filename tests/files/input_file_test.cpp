// What stands at a name the game was given: only a regular file of a
// bounded size is read, and nothing there can hold the reader up; only a
// regular file (or none) is replaced, and a new file is made only where
// nothing stands.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <string>

#include "files/input_file.h"
#include "files/paths.h"
#include "files/replacement_file.h"
#include "support/ordinary_user.h"
#include "support/scratch.h"

namespace {

TEST(InputFile, ReadsOnlyARegularFileWithinItsLimit)
{
   Scratch scratch;
   const std::string small = scratch.write("small", {'a', 'b', 'c'});
   const std::string empty = scratch.write("empty", {});
   const std::string fifo = scratch.path("fifo");
   ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
   struct Case {
      std::string path;
      size_t limit;
      size_t bytes;
      bool missing;
      const char *problem;  // a part of the line, or null when it is read
   } cases[] = {
      {small, 3, 3, false, nullptr},
      {empty, 3, 0, false, nullptr},
      {small, 2, 0, false, "3 bytes, more than the 2"},
      {scratch.path("none"), 3, 0, true, "No such file"},
      {scratch.path(""), 3, 0, false, "a folder"},
      {fifo, 3, 0, false, "a FIFO"},  // with no writer: would block without O_NONBLOCK
      {"/dev/zero", 3, 0, false, "a device"},
   };
   for (const Case &c : cases) {
      SCOPED_TRACE(c.path);
      const InputFile file = read_input_file(c.path, c.limit);
      EXPECT_EQ(file.bytes.size(), c.bytes);
      EXPECT_EQ(file.missing, c.missing);
      EXPECT_EQ(file.too_large,
                c.problem && std::string(c.problem).find("more than") != std::string::npos);
      if (c.problem)
         EXPECT_NE(file.problem.find(c.problem), std::string::npos) << file.problem;
      else
         EXPECT_EQ(file.problem, "");
   }
}

TEST(ReplacementFile, RefusesWhatIsNotARegularFileAndNamesAFolderItCannotReach)
{
   Scratch scratch;
   const std::string fifo = scratch.path("fifo"), device = scratch.path("full");
   ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
   std::vector<std::pair<std::string, mode_t>> targets = {{fifo, S_IFIFO},
                                                          {scratch.path(""), S_IFDIR}};
   // A copy of /dev/full, where root may make one.
   if (mknod(device.c_str(), S_IFCHR | 0666, makedev(1, 7)) == 0)
      targets.push_back({device, S_IFCHR});
   for (const auto &[target, type] : targets) {
      SCOPED_TRACE(target);
      const std::string problem = replace_file(target, {'x'});
      EXPECT_EQ(problem.rfind(target + ": not written: it is a ", 0), 0u) << problem;
      OutputFile output, made;
      EXPECT_NE(output.open(target.c_str()).find(", not a file"), std::string::npos);
      EXPECT_NE(made.create(target.c_str()), "");
      struct stat st;
      ASSERT_EQ(lstat(target.c_str(), &st), 0);
      EXPECT_EQ(st.st_mode & S_IFMT, type);
   }
   const std::string link = scratch.path("link");
   ASSERT_EQ(symlink("fifo", link.c_str()), 0);
   EXPECT_NE(replace_file(link, {'x'}).find("it is a FIFO, not a file"), std::string::npos);
   std::string followed;
   EXPECT_EQ(follow_links(link, &followed), "");
   EXPECT_EQ(followed, fifo);
   // A loop of links is named where it begins.
   const std::string loop = scratch.path("loop");
   ASSERT_EQ(symlink("loop", loop.c_str()), 0);
   const std::string looped = "Too many levels of symbolic links";
   EXPECT_EQ(follow_links(loop, &followed), loop + ": cannot follow its links: " + looped);
   EXPECT_EQ(replace_file(loop, {'x'}), loop + ": cannot make a new file beside it: " + looped);
   // A new file is made only where nothing stands: never through a link,
   // even to where nothing is yet.
   const std::string dangling = scratch.path("dangling");
   ASSERT_EQ(symlink("nothing", dangling.c_str()), 0);
   for (const std::string &taken : {link, dangling, scratch.write("file", {'f'})}) {
      OutputFile made;
      EXPECT_EQ(made.create(taken.c_str()), "File exists") << taken;
   }
   EXPECT_FALSE(file_exists(scratch.path("nothing")));
   EXPECT_EQ(read_file(scratch.path("file")), std::vector<unsigned char>{'f'});

   // A working folder its own user may no longer search: its name, once.
   as_ordinary_user(scratch.path(""), [&] {
      ASSERT_EQ(mkdir(scratch.path("shut").c_str(), 0700), 0);
      ASSERT_EQ(chdir(scratch.path("shut").c_str()), 0);
      ASSERT_EQ(chmod(".", 0600), 0);
      EXPECT_EQ(make_folder_of("tossaro.cfg"), ".: cannot reach the folder: Permission denied");
      EXPECT_EQ(make_folder_of("a/b.cfg"), "a: cannot reach the folder: Permission denied");
   });
}

}  // namespace
