// The fixed bounds of the playfield: its size, which is the picture's,
// the side walls the balls bounce off and the band the targets are placed
// in.
#ifndef TOSSARO_GAME_PLAYFIELD_H
#define TOSSARO_GAME_PLAYFIELD_H

const int kGameWidth = 640, kGameHeight = 480;

struct PlayfieldBounds {
   int leftWall, rightWall;
   // The targets' circles lie between these, except that a target's
   // bottom may reach below targetBottom by its radius.
   int targetLeft, targetTop, targetRight, targetBottom;
};

constexpr PlayfieldBounds playfield = {0, kGameWidth, 50, 50, 590, 430};

#endif
