#include <cstdio>

#include "command_line.h"
#include "program.h"

int main(int argc, char **argv)
{
   const CommandLine line = parseCommandLine(argc, argv);
   if (line.request != Request::Play)
      return answerCommandLine(line, stdout, stderr);
   return runProgram(line.options);
}
