// What stands at a name the game was given: only a regular file of a
// bounded size is read, and nothing there can hold the reader up.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <string>

#include "files/input_file.h"
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
      if (c.problem)
         EXPECT_NE(file.problem.find(c.problem), std::string::npos) << file.problem;
      else
         EXPECT_EQ(file.problem, "");
   }
}

}  // namespace
