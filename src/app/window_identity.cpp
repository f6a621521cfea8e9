#include "app/window_identity.h"

#include <X11/Xatom.h>
#include <allegro.h>
#include <xalleg.h>

#include <vector>

#include "files/input_file.h"
#include "files/netpbm_file.h"

const char kWindowClass[] = "Tossaro";

namespace {

const int kIconSizes[] = {48, 64};
// A 64-pixel icon with its header is 16.5 kB.
const size_t kIconLimit = 65536;

}  // namespace

void nameWindowClass()
{
   xwin_set_window_name("tossaro", kWindowClass);
}

std::string setWindowIcon(const std::string &graphics)
{
   if (!system_driver || system_driver->id != SYSTEM_XWINDOWS || !_xwin.display)
      return std::string();
   // _NET_WM_ICON: each picture's width and height, then its pixels as
   // ARGB, one to a long.
   std::vector<unsigned long> icons;
   for (int size : kIconSizes) {
      const std::string path = graphics + "/icon-" + std::to_string(size) + ".pam";
      const InputFile file = read_input_file(path, kIconLimit);
      if (!file.problem.empty())
         return file.problem;
      Picture icon;
      const std::string problem = read_netpbm(file.bytes, &icon);
      if (!problem.empty())
         return path + ": " + problem;
      icons.push_back(static_cast<unsigned long>(icon.w));
      icons.push_back(static_cast<unsigned long>(icon.h));
      icons.insert(icons.end(), icon.pixels.begin(), icon.pixels.end());
   }
   XLOCK();
   XChangeProperty(_xwin.display, _xwin.wm_window,
                   XInternAtom(_xwin.display, "_NET_WM_ICON", False), XA_CARDINAL, 32,
                   PropModeReplace, reinterpret_cast<const unsigned char *>(icons.data()),
                   int(icons.size()));
   XUNLOCK();
   return std::string();
}
