// The names the board shows: ones people can read. At most as long as the
// table's, in Unicode's composed form (NFC), with no control or format
// character (no bidirectional override, zero-width joiner or space, byte
// order mark), unassigned or private-use character, no separator but the
// plain blank, never at either end nor two in a row, and not empty. Unicode's own tables decide
// (ICU), not a list of our own.
#ifndef TOSSARO_SERVER_PLAYER_NAME_H
#define TOSSARO_SERVER_PLAYER_NAME_H

#include <string>

// The most characters a name has: as many as the table's.
const int kMostNameCharacters = 26;

// What is wrong with the name, as one rule ("is not in Unicode NFC");
// empty when it is a name the board shows.
std::string nameProblem(const std::string &name);

#endif
