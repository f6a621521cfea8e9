// Score popups: a collected target's value, rising slowly from its centre
// and fading out.
#ifndef TOSSARO_GAME_TEXT_FADE_H
#define TOSSARO_GAME_TEXT_FADE_H

class TextFade {
public:
   // A popup showing value with its top-left corner at (x, y).
   TextFade(int value, int x, int y);
   virtual ~TextFade() = default;

   // One tick: rise and fade.
   void update();
   bool isFinished() const;

   int x;  // left edge of the text
   float y;  // top edge of the text
   int alpha;  // translucency and remaining life, 255 down to 1
   int value;
};

#endif
