// The title intro: the backdrop over the menu, the logo fading in on it,
// then both fading out to uncover the menu.
#ifndef TOSSARO_SCREENS_INTRO_H
#define TOSSARO_SCREENS_INTRO_H

// Translucency of the backdrop layer, 255 opaque; falls during the
// fade-out. Changed by updateIntro only.
extern float backdropAlpha;
// Translucency of the logo layer: rises during the fade-in, then follows
// the backdrop down (drawIntro copies it).
extern float logoAlpha;

void updateIntro();
void drawIntro();

#endif
