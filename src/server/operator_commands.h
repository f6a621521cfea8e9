// The operator's commands on the board's database, which may be run while
// the server runs: take a run off the board (a bot's, say: a replay proves
// the rules were followed, not that a person played), put it back, list
// the hidden ones, or write a run's replay out, hidden or not.
#ifndef TOSSARO_SERVER_OPERATOR_COMMANDS_H
#define TOSSARO_SERVER_OPERATOR_COMMANDS_H

#include <cstdio>
#include <string>
#include <vector>

#include "server/store.h"

// Runs the command ("hide", ID, REASON; "unhide", ID; "list-hidden";
// "replay", ID), saying what it did on `out` (a replay's bytes for
// "replay"), or why not on `err`. Returns the exit status: 0, or 1 when
// there is no such run.
int runOperatorCommand(Store &store, const std::vector<std::string> &command, FILE *out, FILE *err);

#endif
