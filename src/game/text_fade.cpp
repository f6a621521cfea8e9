#include "text_fade.h"

#include <allegro.h>

#include <cstdio>

#include "app/assets.h"
#include "work_area.h"

namespace {

const double kRise = 0.4;

}  // namespace

TextFade::TextFade(int value, int x, int y) : x(x), y(float(y)), alpha(255), value(value)
{
}

void TextFade::update()
{
   y = float(y - kRise);
   alpha--;
}

bool TextFade::isFinished() const
{
   return alpha <= 0;
}

void TextFade::draw() const
{
   char digits[16];
   snprintf(digits, sizeof digits, "%i", value);
   set_trans_blender(0, 0, 0, alpha);
   WorkArea work(text_length(scoresFont, digits), text_height(scoresFont));
   textprintf_ex(work.bitmap(), scoresFont, 0, 0, makecol(255, 255, 0), -1, "%s", digits);
   work.blend(x, int(y));
   solid_mode();
}
