// The leaderboard's server as its users start it: the real program, its
// port the one its first line names.
#ifndef TOSSARO_TESTS_SERVER_PROCESS_H
#define TOSSARO_TESTS_SERVER_PROCESS_H

#include <sys/types.h>

#include <string>
#include <vector>

class ServerProcess {
public:
   // Starts `program` with `arguments` in the folder `folder`.
   ServerProcess(const std::string &program, const std::vector<std::string> &arguments,
                 const std::string &folder);
   ~ServerProcess();
   ServerProcess(const ServerProcess &) = delete;
   ServerProcess &operator=(const ServerProcess &) = delete;

   // 0 when it never said where it listens.
   int port() const { return port_; }
   const std::string &listening() const { return listening_; }
   pid_t pid() const { return pid_; }
   // Ends it by SIGTERM; its exit status, or -1 when a signal killed it.
   int stop();

private:
   pid_t pid_ = -1;
   int port_ = 0;
   std::string listening_;
};

#endif
