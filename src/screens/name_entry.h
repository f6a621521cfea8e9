// The name entry: the table with a panel over the row a score takes, where
// the player types a name for it, a blinking caret after it and the score
// at its place.
#ifndef TOSSARO_SCREENS_NAME_ENTRY_H
#define TOSSARO_SCREENS_NAME_ENTRY_H

#include <cstddef>
#include <string>
#include <string_view>

// The name being typed. Never cleared, so the next entry of the run starts
// with it; changed by updateNameEntry only.
extern std::string playerName;

// The most characters typing can give a name.
extern const size_t maxNameLength;

// The characters a name may hold, in the order the D-pad steps through
// them; letters are typed in either case.
constexpr std::string_view kNameCharacters = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789 .";

// Where the character stands in kNameCharacters, a letter of either case
// as its capital; -1 when a name may not hold it.
int nameCharacterIndex(int c);

// Whether typing may add the character: letters, digits, blank, full stop.
inline bool isNameCharacter(int c)
{
   return nameCharacterIndex(c) >= 0;
}

void updateNameEntry();
void drawNameEntry();

#endif
