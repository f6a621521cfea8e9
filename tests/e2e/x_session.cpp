#include "x_session.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <thread>

namespace {

double now()
{
   using namespace std::chrono;
   return duration<double>(steady_clock::now().time_since_epoch()).count();
}

bool exited(pid_t pid, int *status, double seconds)
{
   const double end = now() + seconds;
   do {
      if (waitpid(pid, status, WNOHANG) == pid)
         return true;
      pause_ms(20);
   } while (now() < end);
   return false;
}

// Runs a command and waits for it; its exit status.
int run(const std::vector<std::string> &args)
{
   const pid_t pid = fork();
   if (pid == 0) {
      std::vector<char *> argv;
      for (const std::string &a : args)
         argv.push_back(const_cast<char *>(a.c_str()));
      argv.push_back(nullptr);
      const int devnull = open("/dev/null", O_WRONLY);
      dup2(devnull, 2);
      execvp(argv[0], argv.data());
      _exit(127);
   }
   int status = 0;
   waitpid(pid, &status, 0);
   return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

Window find_named(Display *x, Window under, const char *name)
{
   char *title = nullptr;
   if (XFetchName(x, under, &title) && title) {
      const bool match = strcmp(title, name) == 0;
      XFree(title);
      if (match)
         return under;
   }
   Window root, parent, *children = nullptr;
   unsigned count = 0;
   if (!XQueryTree(x, under, &root, &parent, &children, &count))
      return 0;
   Window found = 0;
   for (unsigned i = 0; i < count && !found; i++)
      found = find_named(x, children[i], name);
   if (children)
      XFree(children);
   return found;
}

}  // namespace

void pause_ms(int ms)
{
   std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

void copy_folder(const std::string &from, const std::string &to)
{
   std::filesystem::copy(from, to, std::filesystem::copy_options::recursive);
}

void Screenshot::save_ppm(const std::string &path) const
{
   std::ofstream out(path, std::ios::binary);
   out << "P6\n" << w << " " << h << "\n255\n";
   for (uint32_t p : pixels) {
      const char rgb[3] = {char(p >> 16), char(p >> 8), char(p)};
      out.write(rgb, 3);
   }
}

XServer::XServer()
{
   // Xvfb picks a free display and writes its number to the pipe.
   int fds[2];
   if (pipe(fds) != 0)
      throw std::runtime_error("pipe");
   pid_ = fork();
   if (pid_ == 0) {
      close(fds[0]);
      const int devnull = open("/dev/null", O_WRONLY);
      dup2(devnull, 1);
      dup2(devnull, 2);
      const std::string fd = std::to_string(fds[1]);
      // 24-bit, so screenshots show the game's own colours; no key
      // auto-repeat while a test holds a key; no reset, which refuses
      // connections for a while, when one game after another leaves.
      execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "2048x1536x24", "-ardelay",
             "10000", "-nolisten", "tcp", "-noreset", static_cast<char *>(nullptr));
      _exit(127);
   }
   close(fds[1]);
   char number[32] = {};
   size_t got = 0;
   const double end = now() + 20;
   fcntl(fds[0], F_SETFL, O_NONBLOCK);
   while (now() < end && (got == 0 || number[got - 1] != '\n')) {
      const ssize_t n = read(fds[0], number + got, sizeof number - 1 - got);
      if (n > 0)
         got += size_t(n);
      else
         pause_ms(20);
   }
   close(fds[0]);
   if (got == 0)
      throw std::runtime_error("Xvfb did not start");
   display_ = ":" + std::string(number, strcspn(number, "\n"));
}

XServer::~XServer()
{
   if (pid_ > 0) {
      kill(pid_, SIGTERM);
      int status;
      if (!exited(pid_, &status, 5)) {
         kill(pid_, SIGKILL);
         waitpid(pid_, &status, 0);
      }
   }
}

GameRun::GameRun(const XServer &server, const std::string &executable, const std::string &folder,
                 const std::vector<std::string> &wrapper,
                 const std::vector<std::string> &arguments,
                 const std::vector<std::string> &environment)
   : display_(server.display()), outputFile_(folder + ".output")
{
   pid_ = fork();
   if (pid_ == 0) {
      if (chdir(folder.c_str()) != 0)
         _exit(126);
      const int out = open(outputFile_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      dup2(out, 1);
      dup2(out, 2);
      setenv("DISPLAY", display_.c_str(), 1);
      setenv("SDL_AUDIODRIVER", "dummy", 1);
      // A sanitizer build of the game leaves the system's libraries' leaks
      // unreported.
      setenv("LSAN_OPTIONS",
             "print_suppressions=0:suppressions=" TOSSARO_SOURCE_DIR "/tests/e2e/lsan.supp", 0);
      // The player's own settings file stays out of the tests.
      setenv("XDG_CONFIG_HOME", (folder + ".config").c_str(), 1);
      for (const std::string &setting : environment)
         putenv(const_cast<char *>(setting.c_str()));
      std::vector<char *> argv;
      for (const std::string &word : wrapper)
         argv.push_back(const_cast<char *>(word.c_str()));
      argv.push_back(const_cast<char *>(executable.c_str()));
      for (const std::string &word : arguments)
         argv.push_back(const_cast<char *>(word.c_str()));
      // A test plays at once, unless it asks for How to play first.
      bool howToPlay = false;
      for (const std::string &word : arguments)
         howToPlay = howToPlay || word.rfind("--how-to-play", 0) == 0;
      std::string noHowToPlay = "--how-to-play=off";
      if (!howToPlay)
         argv.push_back(noHowToPlay.data());
      argv.push_back(nullptr);
      execvp(argv[0], argv.data());
      _exit(127);
   }
   x_ = XOpenDisplay(display_.c_str());
   if (!x_)
      throw std::runtime_error("cannot connect to " + display_);
   // A window that has gone with its game fails the call that used it (a
   // screenshot throws) instead of ending the test program.
   XSetErrorHandler([](Display *, XErrorEvent *) { return 0; });
}

GameRun::~GameRun()
{
   if (pid_ > 0) {
      int status;
      if (waitpid(pid_, &status, WNOHANG) == 0) {
         kill(pid_, SIGKILL);
         waitpid(pid_, &status, 0);
      }
   }
   if (x_)
      XCloseDisplay(static_cast<Display *>(x_));
}

unsigned long GameRun::window(double seconds)
{
   Display *x = static_cast<Display *>(x_);
   const double end = now() + seconds;
   while (!window_ && now() < end) {
      window_ = find_named(x, DefaultRootWindow(x), "Tossaro");
      if (!window_)
         pause_ms(50);
   }
   return window_;
}

namespace {

Screenshot grab(Display *x, Window window, int left, int top, int w, int h)
{
   XImage *image =
      XGetImage(x, window, left, top, unsigned(w), unsigned(h), AllPlanes, ZPixmap);
   if (!image)
      throw std::runtime_error("cannot take a screenshot");
   Screenshot shot;
   shot.w = w;
   shot.h = h;
   shot.pixels.resize(size_t(shot.w) * shot.h);
   for (int y = 0; y < shot.h; y++) {
      for (int xx = 0; xx < shot.w; xx++)
         shot.pixels[size_t(y) * shot.w + xx] = uint32_t(XGetPixel(image, xx, y)) & 0xFFFFFF;
   }
   XDestroyImage(image);
   return shot;
}

}  // namespace

Screenshot GameRun::screenshot()
{
   Display *x = static_cast<Display *>(x_);
   XWindowAttributes attributes;
   if (!XGetWindowAttributes(x, window_, &attributes))
      throw std::runtime_error("the window is gone");
   return grab(x, window_, 0, 0, attributes.width, attributes.height);
}

Screenshot GameRun::screenMiddle()
{
   Display *x = static_cast<Display *>(x_);
   const int screen = DefaultScreen(x);
   return grab(x, DefaultRootWindow(x), (DisplayWidth(x, screen) - 640) / 2,
               (DisplayHeight(x, screen) - 480) / 2, 640, 480);
}

bool GameRun::windowShown()
{
   XWindowAttributes attributes;
   return XGetWindowAttributes(static_cast<Display *>(x_), window_, &attributes) &&
          attributes.map_state == IsViewable;
}

void GameRun::press(const std::string &key, int ms)
{
   // One xdotool run, so the time held does not include starting a
   // second process.
   const std::string id = std::to_string(window_);
   char seconds[32];
   snprintf(seconds, sizeof seconds, "%.3f", ms / 1000.0);
   run({"env", "DISPLAY=" + display_, "xdotool", "keydown", "--window", id, key, "sleep", seconds,
        "keyup", "--window", id, key});
}

void GameRun::type(const std::string &text, int ms)
{
   run({"env", "DISPLAY=" + display_, "xdotool", "type", "--window", std::to_string(window_),
        "--delay", std::to_string(ms), text});
}

void GameRun::pressAsKeyboard(const std::string &keys, int ms)
{
   char seconds[32];
   snprintf(seconds, sizeof seconds, "%.3f", ms / 1000.0);
   run({"env", "DISPLAY=" + display_, "xdotool", "keydown", keys, "sleep", seconds, "keyup", keys});
}

void GameRun::hold(const std::string &key)
{
   run({"env", "DISPLAY=" + display_, "xdotool", "keydown", "--window", std::to_string(window_),
        key});
}

void GameRun::release(const std::string &key)
{
   run({"env", "DISPLAY=" + display_, "xdotool", "keyup", "--window", std::to_string(window_),
        key});
}

void GameRun::requestClose()
{
   Display *x = static_cast<Display *>(x_);
   XEvent event;
   memset(&event, 0, sizeof event);
   event.xclient.type = ClientMessage;
   event.xclient.window = window_;
   event.xclient.message_type = XInternAtom(x, "WM_PROTOCOLS", False);
   event.xclient.format = 32;
   event.xclient.data.l[0] = long(XInternAtom(x, "WM_DELETE_WINDOW", False));
   event.xclient.data.l[1] = CurrentTime;
   XSendEvent(x, window_, False, NoEventMask, &event);
   XFlush(x);
}

void GameRun::focusElsewhere()
{
   Display *x = static_cast<Display *>(x_);
   if (!elsewhere_) {
      const Window root = DefaultRootWindow(x);
      XWindowAttributes screen;
      XGetWindowAttributes(x, root, &screen);
      elsewhere_ = XCreateSimpleWindow(x, root, screen.width - 40, screen.height - 40, 40, 40, 0,
                                       0, 0);
      XMapWindow(x, elsewhere_);
      // Focus can only go to a window the server shows already.
      XSync(x, False);
   }
   XSetInputFocus(x, elsewhere_, RevertToParent, CurrentTime);
   XSync(x, False);
}

void GameRun::focusGame()
{
   Display *x = static_cast<Display *>(x_);
   XSetInputFocus(x, window_, RevertToParent, CurrentTime);
   XSync(x, False);
}

void GameRun::sendSignal(int number)
{
   if (pid_ > 0)
      kill(pid_, number);
}

bool GameRun::ended(double seconds)
{
   if (pid_ < 0)
      return true;
   if (!exited(pid_, &status_, seconds))
      return false;
   pid_ = -1;
   return true;
}

int GameRun::wait(double seconds)
{
   if (!ended(seconds)) {
      kill(pid_, SIGKILL);
      waitpid(pid_, &status_, 0);
      pid_ = -1;
      return -1;
   }
   return WIFEXITED(status_) ? WEXITSTATUS(status_) : -1;
}

std::string GameRun::output() const
{
   std::ifstream in(outputFile_);
   return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}
