#include "ordinary_user.h"

#include <gtest/gtest.h>

#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

const uid_t kNobody = 65534;

}  // namespace

void as_ordinary_user(const std::string &folder, const std::function<void()> &checks)
{
   const bool root = geteuid() == 0;
   if (root) {
      ASSERT_EQ(chown(folder.c_str(), kNobody, kNobody), 0) << folder;
   }
   fflush(nullptr);
   const pid_t child = fork();
   ASSERT_GE(child, 0);
   if (child == 0) {
      if (root && (setgroups(0, nullptr) != 0 || setgid(kNobody) != 0 || setuid(kNobody) != 0))
         _exit(2);
      checks();
      fflush(nullptr);
      _exit(::testing::Test::HasFailure() ? 1 : 0);
   }
   int status = 0;
   waitpid(child, &status, 0);
   EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
      << "checks as an ordinary user failed (above), status " << status;
}
