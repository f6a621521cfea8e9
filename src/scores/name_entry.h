// The name entry: the table with a panel over the row a score takes, where
// the player types a name for it.
#ifndef TOSSARO_SCORES_NAME_ENTRY_H
#define TOSSARO_SCORES_NAME_ENTRY_H

#include <cstddef>
#include <string>

// The name being typed. Never cleared, so the next entry of the run starts
// with it; changed by updateNameEntry only.
extern std::string playerName;

// The most characters typing can give a name.
extern const size_t maxNameLength;

// Whether typing may add the character: letters, digits, blank, full stop.
bool isNameCharacter(int c);

void updateNameEntry();
void drawNameEntry();

#endif
