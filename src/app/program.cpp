#include "app/program.h"

#include <allegro.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>

#include "app/captures.h"
#include "app/captures_folder.h"
#include "app/clip.h"
#include "app/data_folder.h"
#include "app/leaderboard.h"
#include "app/leaderboard_sender.h"
#include "app/main_loop.h"
#include "app/pad_keys.h"
#include "app/quit_signals.h"
#include "app/replay_export.h"
#include "app/settings.h"
#include "app/verify.h"
#include "app/window_identity.h"
#include "audio/mixer.h"
#include "files/say.h"
#include "game/ticks.h"
#include "gif/gif.h"
#include "scores/highscores.h"
#include "screens/attract.h"
#include "screens/how_to_play.h"
#include "screens/marks.h"
#include "screens/quit_prompt.h"
#include "screens/replay_keeping.h"
#include "screens/watching.h"
#include "shell/assets.h"
#include "shell/key_bindings.h"
#include "shell/screen_state.h"
#include "shell/window.h"

namespace {

int failStartup(const std::string &what)
{
   say(what);
   return 1;
}

void shutdown()
{
   stopWatching();
   stopPadKeys();
   stopSound();
   freeQuitSnapshot();
   freeAssets();
}

// --replay FILE: the replay in the window, then the exit; the table and
// the replays are left alone, and its captures end as the game's do.
int watchOnly(const Replay &replay, const std::string &file)
{
   watchReplay(replay, file, Exit, false);
   inputDelay = 0;
   runMainLoop();
   finishCaptures();
   shutdown();
   return 0;
}

// The settings as the game runs with them, and their file.
Options settingsInForce;
std::string settingsPath;

// Changes the settings in force, and their entries in the file; a file
// that cannot be written is said in one line, and the run goes on.
void changeSettings(void (*change)(Options &))
{
   Options changed = settingsInForce;
   change(changed);
   if (!settingsPath.empty()) {
      const std::string unwritten = updateSettings(settingsPath, settingsInForce, changed);
      if (!unwritten.empty())
         say(unwritten);
   }
   settingsInForce = changed;
}

}  // namespace

int runProgram(const Options &options, const std::string &settings)
{
   const DataFolder data = findDataFolder(runningProgram());
   if (!data.problem.empty())
      return failStartup(data.problem);
   // A replay to watch is read before any window opens.
   ReplayReading watched;
   if (!options.replayFile.empty()) {
      std::string unreadable;
      watched = readReplayFile(options.replayFile, &unreadable);
      if (!unreadable.empty())
         return failStartup(unreadable);
   }
   nameWindowClass();
   if (allegro_init() != 0)
      return failStartup(std::string("cannot initialise Allegro") +
                         (allegro_error[0] ? std::string(": ") + allegro_error : " (no display?)"));
   // The library's own handlers for these abort or hang; ours only ask the
   // loop to end, even while the assets are still loading.
   if (installQuitSignals() != 0)
      return failStartup("cannot install the signal handlers");
   if (install_keyboard() != 0)
      return failStartup("cannot install the keyboard");
   if (install_timer() != 0)
      return failStartup("cannot install the timers");
   // The logic timer runs from here on: ticks that pass while loading are
   // owed when the loop starts.
   if (install_int_ex(onLogicTick, BPS_TO_TIMER(kTicksPerSecond)) != 0 ||
       install_int(onSecondTick, 1000) != 0)
      return failStartup("cannot install the timers");
   register_gif_type();
   set_color_depth(16);
   // Without its icon the game plays on.
   const std::string noIcon = setWindowIcon(data.prefix + "graphics");
   if (!noIcon.empty())
      say(noIcon + "; the window has no icon");
   const std::string noWindow = openWindow(options.scale, options.fullscreen);
   if (!noWindow.empty())
      return failStartup(noWindow);
   set_window_title("Tossaro");
   set_close_button_callback(onCloseButton);
   // Focus loss is our own pause: the library's pausing is refused on X11.
   // Without it the game still plays, so a refusal is only reported.
   if (set_display_switch_mode(SWITCH_BACKGROUND) != 0 ||
       set_display_switch_callback(SWITCH_OUT, onFocusLost) != 0)
      say("the display does not report focus changes; the game will not pause when the window "
          "loses the focus");
   frameRateCap = options.maxFps;
   attractOn = options.attract;
   // The tests' shorter wait for a demo.
   if (const char *seconds = getenv("TOSSARO_ATTRACT_SECONDS"))
      attractTicks = std::max(1, atoi(seconds)) * kTicksPerSecond;
   playKeys = options.keys;
   showMarks = options.marks;
   showFrameRate = options.fpsCounter;
   settingsInForce = options;
   settingsPath = settings;
   howToPlayFirst = options.howToPlay;
   howToPlayShown = [] { changeSettings([](Options &o) { o.howToPlay = false; }); };
   chosenCapturesFolder = options.capturesFolder;
   clipSeconds = options.clipSeconds;
   clipProgram = runningProgram();
   const std::string problem = loadAssets(data.prefix);
   if (!problem.empty())
      return failStartup(problem);
   if (!options.mute) {
      const std::string silent = startSound(data.prefix + "sounds", options.volume);
      if (!silent.empty())
         say("no sound: " + silent);
   }
   // Without controllers the keyboard plays alone, and nothing is said.
   startPadKeys();
   if (!options.replayFile.empty())
      return watchOnly(watched.replay, options.replayFile);
   screenState = Intro;
   inputDelay = kLongInputDelay;
   highscores.file = options.scoresFile.empty() ? data.scoresFile : options.scoresFile;
   if (highscores.file.empty())
      say("no home folder (HOME is unset or not an absolute path and the password database has "
          "none for this user): the high scores are kept for this run only");
   highscores.makesItsFolder = options.scoresFile.empty() && !data.prefix.empty();
   const std::string unread = highscores.load();
   if (!unread.empty())
      say(unread);

   startKeepingReplays();
   if (!options.leaderboard.empty() && replayShelf())
      startSendingScores(options.leaderboard, replayShelf()->folder() + "/outbox");
   if (!options.leaderboard.empty())
      startShowingBoard(options.leaderboard);

   runMainLoop();
   finishCaptures();

   // Whichever way the loop ended, the table is kept.
   const std::string unsaved = highscores.save();
   stopKeepingReplays();
   stopSendingScores();
   shutdown();
   if (!unsaved.empty()) {
      say(unsaved);
      return 1;
   }
   return 0;
}

int runTossaro(int argc, const char *const *argv)
{
   // Read once for --config (and any mistake), then again over the file's
   // settings, so that the command line wins.
   const CommandLine first = parseCommandLine(argc, argv);
   if (first.request == Request::Mistake)
      return answerCommandLine(first, stdout, stderr);
   // Verifying a replay reads no settings: it plays the logic alone.
   if (first.options.verify && first.options.replayFile.empty())
      return answerCommandLine(commandLineMistake("--verify needs --replay FILE"), stdout, stderr);
   if (first.options.verify && first.request == Request::Play)
      return verifyReplayFile(first.options.replayFile, stdout, stderr);
   const std::string &named = first.options.configFile;
   const std::string path = named.empty() ? settingsFile() : named;
   Options settings;
   SettingsRead read = readSettings(path, &settings);
   // A file the player named is no file to do without, unless it is to
   // be written.
   if (read.missing && !named.empty() && first.request == Request::Play)
      return answerCommandLine(commandLineMistake("no settings file " + named + " (--config)"),
                               stdout, stderr);
   CommandLine line = parseCommandLine(argc, argv, settings);
   for (const std::string &clash : settleConflicts(&line.options.keys))
      read.problems.push_back(clash + "; both keep their default keys");
   for (const std::string &problem : read.problems)
      say(problem);
   if (line.request == Request::WriteConfig) {
      if (path.empty())
         return failStartup("no home folder to keep the settings in (HOME is unset or not an "
                            "absolute path and the password database has none for this user): "
                            "give --config FILE");
      const std::string unwritten = writeSettings(path, line.options);
      if (!unwritten.empty())
         return failStartup(unwritten);
      say("the settings are in " + path, stdout);
      return 0;
   }
   if (line.request != Request::Play)
      return answerCommandLine(line, stdout, stderr);
   const Options &o = line.options;
   if (!o.submitName.empty() && o.submitFile.empty())
      return answerCommandLine(commandLineMistake("--name needs --submit FILE"), stdout, stderr);
   if (!o.submitFile.empty())
      return submitReplayFile(o.submitFile, o.leaderboard, o.submitName, stdout, stderr);
   if (!o.gifFile.empty() || !o.framesFolder.empty()) {
      if (o.replayFile.empty() || (!o.gifFile.empty() && !o.framesFolder.empty()))
         return answerCommandLine(
            commandLineMistake("--gif and --frames each need --replay FILE, and go alone"), stdout,
            stderr);
      return exportReplay(o, stderr);
   }
   return runProgram(line.options, path);
}
