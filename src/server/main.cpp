#include "server/server_program.h"

int main(int argc, char **argv)
{
   return runServer(argc, argv);
}
