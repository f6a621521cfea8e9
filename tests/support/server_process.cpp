#include "support/server_process.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <stdexcept>

ServerProcess::ServerProcess(const std::string &program, const std::vector<std::string> &arguments,
                             const std::string &folder)
{
   int out[2];
   if (pipe(out) != 0)
      throw std::runtime_error("no pipe");
   pid_ = fork();
   if (pid_ == 0) {
      if (chdir(folder.c_str()) != 0)
         _exit(127);
      dup2(out[1], 1);
      close(out[0]);
      std::vector<char *> argv{const_cast<char *>(program.c_str())};
      for (const std::string &a : arguments)
         argv.push_back(const_cast<char *>(a.c_str()));
      argv.push_back(nullptr);
      execv(argv[0], argv.data());
      _exit(127);
   }
   close(out[1]);
   FILE *said = fdopen(out[0], "r");
   char line[256] = "";
   if (!fgets(line, sizeof line, said))
      line[0] = 0;
   fclose(said);
   listening_ = line;
   const size_t colon = listening_.rfind(':');
   if (listening_.rfind("listening on http://127.0.0.1:", 0) == 0)
      port_ = std::stoi(listening_.substr(colon + 1));
}

ServerProcess::~ServerProcess()
{
   if (pid_ > 0)
      stop();
}

int ServerProcess::stop()
{
   kill(pid_, SIGTERM);
   int status = 0;
   waitpid(pid_, &status, 0);
   pid_ = -1;
   return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
