#include "server/server_program.h"

#include <pthread.h>
#include <unistd.h>

#include <csignal>
#include <cstring>

#include "files/say.h"
#include "server/operator_commands.h"
#include "server/server_options.h"
#include "server/service.h"
#include "server/store.h"
#include "server/submission.h"

namespace {

void fail(const std::string &line)
{
   say_as("tossaro-server", line);
}

std::string thisProgram()
{
   char path[4096];
   const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
   return length > 0 ? std::string(path, size_t(length)) : std::string();
}

}  // namespace

int runServer(int argc, char **argv)
{
   const ServerCommandLine line =
      parseServerCommandLine(argc, argv, getenv("STATE_DIRECTORY"), thisProgram());
   if (line.request != ServerRequest::Serve && line.request != ServerRequest::Command)
      return answerServerCommandLine(line, stdout, stderr);
   const ServerOptions &o = line.options;

   // The signals that end the server are taken by one thread of its own,
   // from before any other thread is started; a client gone mid-answer is
   // an error on its socket, not a signal.
   sigset_t ending;
   sigemptyset(&ending);
   sigaddset(&ending, SIGTERM);
   sigaddset(&ending, SIGINT);
   pthread_sigmask(SIG_BLOCK, &ending, nullptr);
   signal(SIGPIPE, SIG_IGN);

   std::string problem;
   std::unique_ptr<Store> store = openStore(o.database, &problem);
   if (!store) {
      fail(problem);
      return 1;
   }
   if (line.request == ServerRequest::Command) {
      try {
         return runOperatorCommand(*store, o.command, stdout, stderr);
      } catch (const StoreError &error) {
         fail(std::string("the database: ") + error.what());
         return 1;
      }
   }
   // Runs kept before plays were digested are digested once.
   try {
      const int64_t digested = store->digestPlays([](const Bytes &bytes) {
         const ReplayReading reading = decodeReplay(bytes.data(), bytes.size());
         return reading.fault == ReplayFault::None ? playDigestOf(reading.replay) : std::string();
      });
      if (digested > 0)
         fail("digested the play of " + std::to_string(digested) + " runs kept before");
   } catch (const StoreError &error) {
      fail(std::string("the database: ") + error.what());
      return 1;
   }
   // Without the game, the server keeps its table and makes no clips.
   std::unique_ptr<ClipMaker> clips;
   if (access(o.game.c_str(), X_OK) == 0)
      clips = std::make_unique<ClipMaker>(*store, o.game);
   Service service(*store, clips.get(), {o.allowOrigin, TOSSARO_VERSION, o.checkers});
   HttpServer &http = service.http();
   std::string why;
   const int port = http.listen(o.host, o.port, &why);
   if (port == 0) {
      fail("cannot listen on " + listenAddress(o.host, o.port) + ": " + why);
      return 1;
   }
   if (!http.start(&why)) {
      fail("cannot serve on " + listenAddress(o.host, port) + ": " + why);
      return 1;
   }
   printf("listening on http://%s\n", listenAddress(o.host, port).c_str());
   fflush(stdout);
   if (!clips)
      fail("no clips: " + o.game + " is no program to run (--game PATH names one)");

   int signal = 0;
   sigwait(&ending, &signal);
   http.stop();
   if (clips)
      clips->stop();
   store.reset();
   return 0;
}
