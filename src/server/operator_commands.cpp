#include "server/operator_commands.h"

#include "files/say.h"

namespace {

int noSuchRun(const std::string &id, FILE *err)
{
   say_as("tossaro-server", "no run " + id, err);
   return 1;
}

}  // namespace

int runOperatorCommand(Store &store, const std::vector<std::string> &command, FILE *out, FILE *err)
{
   const std::string &name = command[0];
   if (name == "list-hidden") {
      for (const HiddenRun &hidden : store.hidden())
         fprintf(out, "%s\t%d\t%s\t%s\n", hidden.run.id.c_str(), int(hidden.run.score),
                 printable_text(hidden.run.name).c_str(), printable_text(hidden.reason).c_str());
      return 0;
   }
   const std::string &id = command[1];
   if (name == "replay") {
      const std::optional<Bytes> bytes = store.replay(id, true);
      if (!bytes)
         return noSuchRun(id, err);
      fwrite(bytes->data(), 1, bytes->size(), out);
      return 0;
   }
   const bool done =
      name == "hide" ? store.hide(id, command.size() > 2 ? command[2] : "") : store.unhide(id);
   if (!done)
      return noSuchRun(id, err);
   fprintf(out, "%s %s\n", name == "hide" ? "hid" : "put back", id.c_str());
   return 0;
}
