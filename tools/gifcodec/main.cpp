#include <allegro.h>

#include "gifcodec.h"

int main(int argc, char **argv)
{
   if (install_allegro(SYSTEM_NONE, &errno, atexit) != 0)
      return 1;
   set_color_depth(32);
   return gifcodec_main(argc, argv, stdout, stderr);
}
