#include "shell_command.h"

#include <sys/wait.h>

#include <cstdio>

std::string quoted(const std::string &path)
{
   return "'" + path + "'";
}

int run(const std::string &command, std::string *output)
{
   FILE *pipe = popen((command + " 2>&1").c_str(), "r");
   if (!pipe)
      return -1;
   std::string text;
   char buffer[4096];
   size_t n;
   while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0)
      text.append(buffer, n);
   const int status = pclose(pipe);
   if (output)
      *output = text;
   return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
