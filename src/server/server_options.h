// tossaro-server's command line: where it listens, the database, the one
// origin other sites may call it from, the game its clips are made with,
// and how many submissions it checks at once.
#ifndef TOSSARO_SERVER_SERVER_OPTIONS_H
#define TOSSARO_SERVER_SERVER_OPTIONS_H

#include <cstdio>
#include <string>
#include <vector>

struct ServerOptions {
   std::string host = "127.0.0.1";
   int port = 8765;  // 0: any free port, said in the "listening on" line
   std::string database;  // "sqlite:PATH" or "postgresql://..."
   std::string allowOrigin;  // empty: no cross-origin access
   std::string game;  // the tossaro program that makes the clips
   unsigned checkers = 0;  // submissions played again at once; 0: one a core
   // An operator's command and its words ("hide", ID, REASON), for a
   // Command.
   std::vector<std::string> command;
};

enum class ServerRequest { Serve, Command, Help, Version, Mistake };

struct ServerCommandLine {
   ServerRequest request = ServerRequest::Serve;
   ServerOptions options;
   std::string mistake;  // one line, for a Mistake
};

// The options over their defaults: the database leaderboard.db in
// `stateDirectory` (systemd's $STATE_DIRECTORY, the first of its folders)
// or else the working folder, and the game `tossaro` beside `program`.
ServerCommandLine parseServerCommandLine(int argc, const char *const *argv,
                                         const char *stateDirectory, const std::string &program);

// Prints the help or the version on `out`, or the mistake and the usage
// on `err`; returns the exit status, 0 or 2.
int answerServerCommandLine(const ServerCommandLine &line, FILE *out, FILE *err);

// "127.0.0.1:8765", "[::1]:8765": the address as a URL holds it.
std::string listenAddress(const std::string &host, int port);

#endif
