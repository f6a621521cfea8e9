#include "program.h"

int main()
{
   return runProgram();
}
