#include "game/text_fade.h"

namespace {

const double kRise = 0.4;

}  // namespace

TextFade::TextFade(int value, int x, int y) : x(x), y(float(y)), alpha(255), value(value) {}

void TextFade::update()
{
   y = float(y - kRise);
   alpha--;
}

bool TextFade::isFinished() const
{
   return alpha <= 0;
}
