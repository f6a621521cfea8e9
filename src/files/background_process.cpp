#include "files/background_process.h"

#include <fcntl.h>
#include <sched.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

pid_t start_background_process(const std::vector<std::string> &arguments, int errors)
{
   std::vector<char *> argv;
   for (const std::string &a : arguments)
      argv.push_back(const_cast<char *>(a.c_str()));
   argv.push_back(nullptr);
   const int nothing = open("/dev/null", O_RDWR | O_CLOEXEC);
   if (nothing < 0)
      return -1;
   const pid_t pid = fork();
   if (pid == 0) {
      setsid();
      dup2(nothing, 0);
      dup2(nothing, 1);
      dup2(errors, 2);
      setpriority(PRIO_PROCESS, 0, 19);
      const struct sched_param idle = {};
      sched_setscheduler(0, SCHED_IDLE, &idle);
      execv(argv[0], argv.data());
      _exit(127);
   }
   const int error = errno;
   close(nothing);
   errno = error;
   return pid;
}

std::string wait_for_process(pid_t pid, const std::string &name)
{
   int status = 0;
   while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
   }
   if (WIFEXITED(status) && WEXITSTATUS(status) == 0)
      return std::string();
   return WIFEXITED(status) ? name + " ended with status " + std::to_string(WEXITSTATUS(status))
                            : name + " ended on signal " + std::to_string(WTERMSIG(status));
}
