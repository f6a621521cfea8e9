// The keys of play, which a player may move: the four of each hand, a new
// game, the quit prompt and quitting, and the two captures, which every
// screen reads. Play asks for an action ("the left hand's tilt to the
// left"); the table answers with its key. The menus, the quit prompt's Y
// and N and the name entry keep their own keys.
#ifndef TOSSARO_SHELL_KEY_BINDINGS_H
#define TOSSARO_SHELL_KEY_BINDINGS_H

#include <string>
#include <vector>

#include "game/actions.h"

struct KeyBindings {
   int keys[kPlayActions];  // a library scancode for each action
};

// A, D, W, S; Left, Right, Up, Down; Space, Esc, Q; F12, F9.
extern const KeyBindings kDefaultBindings;

// The keys play reads: the defaults unless the settings bind others. Set
// at start-up.
extern KeyBindings playKeys;

inline int keyFor(PlayAction action)
{
   return playKeys.keys[action];
}

// The game's actions whose keys are held now, through the bindings (a
// controller holds its keys too).
ActionSet heldActions();

// The action's name in the settings file, such as "left_tilt_left".
const char *actionName(PlayAction action);

// The key's name in the settings file, such as "A", "LEFT" or "SPACE";
// empty for a key without one.
std::string keyName(int scancode);

// The scancode of a key's name, in any case; -1 for none.
int keyOfName(const std::string &name);

// Two actions on one key (or one on M, which mutes): each gets its
// default key back, and a line names them. Returns the lines.
std::vector<std::string> settleConflicts(KeyBindings *bindings);

#endif
