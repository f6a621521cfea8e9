#include "server/server_options.h"

#include <cstring>
#include <regex>

#include "files/say.h"

namespace {

const char kUsage[] = "usage: tossaro-server [--listen HOST:PORT] [--database sqlite:PATH]\n"
                      "                      [--allow-origin ORIGIN] [--game PATH] [--checkers N]\n"
                      "                      [--help] [--version]\n"
                      "       tossaro-server [--database DATABASE] hide ID [REASON] | unhide ID |\n"
                      "                      list-hidden | replay ID\n";

const char kHelp[] =
   "A leaderboard of Tossaro's games: each submitted replay is played again by\n"
   "the game's rules, and only the score it really makes enters the table.\n"
   "\n"
   "  --listen HOST:PORT     the address to serve plain HTTP on (127.0.0.1:8765;\n"
   "                         [::1]:8765 for IPv6, port 0 for any free one)\n"
   "  --database sqlite:PATH the table in an SQLite file, made when missing\n"
   "                         (leaderboard.db in $STATE_DIRECTORY, else in the\n"
   "                         working folder)\n"
   "  --database postgresql://USER@HOST/DB\n"
   "                         the table in PostgreSQL (a libpq URI, or any libpq\n"
   "                         connection string after postgresql:), which several\n"
   "                         servers may share\n"
   "  --allow-origin ORIGIN  let pages of ORIGIN (https://example.org) call the API\n"
   "  --game PATH            the tossaro program that makes the clips (the one\n"
   "                         installed beside this server)\n"
   "  --checkers N           play N submissions again at once, 1 to 256 (one a\n"
   "                         core)\n"
   "\n"
   "The operator's commands, on the database while the server runs:\n"
   "  hide ID [REASON]       take a run off the board, keeping it and its replay\n"
   "  unhide ID              put it back\n"
   "  list-hidden            the hidden runs: id, score, name and why\n"
   "  replay ID              write a run's replay, hidden or not, on stdout\n"
   "\n"
   "exit status: 0 when stopped by SIGTERM or SIGINT, or a command done; 1 when it\n"
   "cannot listen or open the database, or a command finds no such run; 2 for a\n"
   "mistake on the command line.\n";

const int kMostCheckers = 256;

// A whole number of at most five digits, from 0 to `most`.
bool parseNumber(const std::string &text, int most, int *number)
{
   if (text.empty() || text.size() > 5 || text.find_first_not_of("0123456789") != std::string::npos)
      return false;
   *number = std::stoi(text);
   return *number <= most;
}

// "HOST:PORT" or "[V6]:PORT".
bool parseListen(const std::string &text, ServerOptions *o)
{
   const size_t colon = text.rfind(':');
   if (colon == std::string::npos || colon == 0 ||
       !parseNumber(text.substr(colon + 1), 65535, &o->port))
      return false;
   std::string host = text.substr(0, colon);
   if (host.front() == '[') {
      if (host.size() < 3 || host.back() != ']')
         return false;
      host = host.substr(1, host.size() - 2);
   } else if (host.find(':') != std::string::npos) {
      return false;
   }
   o->host = host;
   return true;
}

ServerCommandLine mistake(const std::string &what)
{
   ServerCommandLine line;
   line.request = ServerRequest::Mistake;
   line.mistake = what;
   return line;
}

}  // namespace

std::string listenAddress(const std::string &host, int port)
{
   const bool v6 = host.find(':') != std::string::npos;
   return (v6 ? "[" + host + "]" : host) + ":" + std::to_string(port);
}

ServerCommandLine parseServerCommandLine(int argc, const char *const *argv,
                                         const char *stateDirectory, const std::string &program)
{
   ServerCommandLine line;
   ServerOptions &o = line.options;
   std::string state = stateDirectory ? stateDirectory : "";
   state = state.substr(0, state.find(':'));
   o.database = "sqlite:" + (state.empty() ? "" : state + "/") + "leaderboard.db";
   o.game = program.substr(0, program.rfind('/') + 1) + "tossaro";
   for (int k = 1; k < argc; k++) {
      std::string name = argv[k], value;
      const bool joined = name.find('=') != std::string::npos;
      if (joined) {
         value = name.substr(name.find('=') + 1);
         name = name.substr(0, name.find('='));
      }
      if (!joined && (name == "--help" || name == "--version")) {
         line.request = name == "--help" ? ServerRequest::Help : ServerRequest::Version;
         continue;
      }
      if (name.rfind("--", 0) != 0) {
         // A command: its name and its words, the last on the line.
         o.command.assign(argv + k, argv + argc);
         const size_t words = o.command.size();
         const bool known = (name == "hide" && (words == 2 || words == 3)) ||
                            ((name == "unhide" || name == "replay") && words == 2) ||
                            (name == "list-hidden" && words == 1);
         if (!known)
            return mistake("no such command: " + name + " with " + std::to_string(words - 1) +
                           (words == 2 ? " word" : " words"));
         if (line.request == ServerRequest::Serve)
            line.request = ServerRequest::Command;
         break;
      }
      if (name != "--listen" && name != "--database" && name != "--allow-origin" &&
          name != "--game" && name != "--checkers")
         return mistake("unknown option " + std::string(argv[k]));
      if (!joined) {
         if (k + 1 == argc)
            return mistake(name + " needs a value");
         value = argv[++k];
      }
      if (name == "--listen" && !parseListen(value, &o))
         return mistake("--listen " + value + ": give HOST:PORT, such as 127.0.0.1:8765");
      if (name == "--database") {
         const bool sqlite = value.rfind("sqlite:", 0) == 0 && value.size() > 7;
         if (!sqlite && value.rfind("postgresql:", 0) != 0 && value.rfind("postgres://", 0) != 0)
            return mistake("--database " + value + ": give sqlite:PATH or postgresql://...");
         o.database = value;
      }
      if (name == "--allow-origin") {
         // It goes into a header as it is: a scheme, a host and a port only.
         static const std::regex origin("https?://[A-Za-z0-9.-]+(:[0-9]{1,5})?");
         if (!std::regex_match(value, origin))
            return mistake("--allow-origin " + value +
                           ": give an origin such as https://example.org");
         o.allowOrigin = value;
      }
      if (name == "--game") {
         if (value.empty())
            return mistake("--game needs a program");
         o.game = value;
      }
      if (name == "--checkers") {
         int checkers = 0;
         if (!parseNumber(value, kMostCheckers, &checkers) || checkers < 1)
            return mistake("--checkers " + value + ": give a number from 1 to " +
                           std::to_string(kMostCheckers));
         o.checkers = unsigned(checkers);
      }
   }
   return line;
}

int answerServerCommandLine(const ServerCommandLine &line, FILE *out, FILE *err)
{
   switch (line.request) {
   case ServerRequest::Help:
      fprintf(out, "%s\n%s", kUsage, kHelp);
      return 0;
   case ServerRequest::Version:
      fprintf(out, "tossaro-server %s\n", TOSSARO_VERSION);
      return 0;
   case ServerRequest::Mistake:
      say_as("tossaro-server", line.mistake, err);
      fputs(kUsage, err);
      return 2;
   case ServerRequest::Serve:
   case ServerRequest::Command:
      break;
   }
   return 0;
}
