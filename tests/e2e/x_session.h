// The real game in a real X server: a private Xvfb, the game started in a
// working folder of its own, real key events through xdotool, screenshots
// of its window, and its exit status and messages.
#ifndef TOSSARO_TESTS_X_SESSION_H
#define TOSSARO_TESTS_X_SESSION_H

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

// A picture of the window as 0xRRGGBB values.
struct Screenshot {
   int w = 0, h = 0;
   std::vector<uint32_t> pixels;
   uint32_t at(int x, int y) const { return pixels[size_t(y) * w + x]; }
   // Writes it as a binary PPM, for people to look at.
   void save_ppm(const std::string &path) const;
};

// Xvfb on a display number of its own, stopped when this goes. Its screen
// holds the game's window at scale 3 whole, as screenshots need.
class XServer {
public:
   XServer();
   ~XServer();
   XServer(const XServer &) = delete;
   XServer &operator=(const XServer &) = delete;
   const std::string &display() const { return display_; }

private:
   pid_t pid_ = -1;
   std::string display_;
};

// One run of the game executable in `folder`, on the server's display; what
// it prints goes to a file beside the folder.
class GameRun {
public:
   // `wrapper` (such as valgrind and its options) runs the game, if given;
   // `arguments` follow the executable, and --how-to-play=off unless they
   // name How to play. The game plays its sound to SDL's
   // dummy driver and reads its settings from beside the folder, unless
   // `environment` ("NAME=value" each) says otherwise.
   GameRun(const XServer &server, const std::string &executable, const std::string &folder,
           const std::vector<std::string> &wrapper = {},
           const std::vector<std::string> &arguments = {},
           const std::vector<std::string> &environment = {});
   ~GameRun();
   GameRun(const GameRun &) = delete;
   GameRun &operator=(const GameRun &) = delete;

   // Waits up to `seconds` for the window named "Tossaro"; 0 if none.
   unsigned long window(double seconds = 10);
   // Throws when the window is gone.
   Screenshot screenshot();
   // The middle of the screen, the game's size: where the game shows when
   // it fills a larger screen (its own window then unmapped).
   Screenshot screenMiddle();
   // Whether the game's window is mapped.
   bool windowShown();
   // Holds the key (an xdotool key name) down for `ms` milliseconds.
   void press(const std::string &key, int ms = 50);
   // The same through the server's test extension, to the window with the
   // focus (the game's, after focusGame), as a keyboard does: a chord's
   // modifier then reaches the game as a key held.
   void pressAsKeyboard(const std::string &keys, int ms = 50);
   // Types `text` as a player does, `ms` milliseconds from one key to
   // the next.
   void type(const std::string &text, int ms);
   // Holds the key down until release.
   void hold(const std::string &key);
   void release(const std::string &key);
   // Asks the window to close, as a window manager's close button does.
   void requestClose();
   // Gives the keyboard focus to a small window of the test's own, in the
   // screen's far corner, as a player clicking elsewhere does.
   void focusElsewhere();
   // Gives the keyboard focus back to the game's window.
   void focusGame();
   void sendSignal(int number);
   // Waits up to `seconds` for the game to end, leaving it running if it
   // does not; whether it ended.
   bool ended(double seconds);
   // Waits up to `seconds` for the game to end: its exit status, or -1
   // when it had to be killed.
   int wait(double seconds = 10);
   // What the game wrote to stderr (and stdout).
   std::string output() const;
   // The game's process, until it has ended.
   pid_t pid() const { return pid_; }

private:
   std::string display_;
   std::string outputFile_;
   pid_t pid_ = -1;
   int status_ = 0;  // once the game has ended
   unsigned long window_ = 0;
   unsigned long elsewhere_ = 0;  // the test's window that takes the focus
   void *x_ = nullptr;  // the test's own connection to the server
};

// Copies the folder `from` to `to`, recursively.
void copy_folder(const std::string &from, const std::string &to);

// Sleeps for the given milliseconds.
void pause_ms(int ms);

#endif
