#include "screens/playfield_drawing.h"

#include <allegro.h>

#include <cmath>
#include <cstdio>

#include "audio/sound.h"
#include "game/playfield.h"
#include "screens/marks.h"
#include "screens/work_area.h"
#include "shell/assets.h"

namespace {

const int kShadowOffset = 5;

void drawGauge(int x1, int y1, int x2, int y2, int fill, int frameX2, int frameY2, int outline)
{
   rectfill(backBuffer, x1, y1, x2, y2, fill);
   rect(backBuffer, x1, y1, frameX2, frameY2, outline);
}

}  // namespace

void drawBall(const Ball &ball)
{
   set_trans_blender(254, 254, 254, 100);
   WorkArea work(2 * ball.radius + 1, 2 * ball.radius + 1);
   circlefill(work.bitmap(), ball.radius, ball.radius, ball.radius, makecol(0, 0, 0));
   work.blend(int(ball.x - kShadowOffset), int(ball.y - kShadowOffset));
   solid_mode();

   BITMAP *const images[] = {ballRed, ballGreen, ballBlue};
   const int colour = ballColourOf(ball.colour);
   draw_sprite(backBuffer, images[colour], int(ball.x - ball.radius), int(ball.y - ball.radius));
   if (showMarks)
      drawMark(colour, int(ball.x), int(ball.y));
}

void drawHand(const Hand &hand, HandSide side)
{
   // A stronger hand is drawn lower; the image turns about its centre with
   // the tilt, and the right hand's is flipped and turned half round, which
   // mirrors it. One call of the library's rotate-scale-pivot operation,
   // with its fixed-point values made by multiplying: the library's own
   // shortcut shifts negative numbers, which C++ leaves undefined.
   const bool left = side == HandSide::Left;
   const int x = left ? hand.x1 - 17 : hand.x1 - 5;
   const int y = int(4 * hand.power + 415);
   const int turn = int(1.5f * hand.tilt) + (left ? 0 : 128);
   const int w = handImage->w, h = handImage->h;
   backBuffer->vtable->pivot_scaled_sprite_flip(backBuffer, handImage, x * 65536 + w * 32768,
                                                y * 65536 + h * 32768, w * 32768, h * 32768,
                                                turn * 65536, 65536, !left);
}

void drawTarget(const Powerup &target)
{
   // The disc and then its rim, each blended under the game's target
   // blender. Blending them straight onto the back buffer gives what
   // sprites of them in the scratch bitmap would, since the library draws
   // each pixel of a filled circle once and the two rim circles share no
   // pixel; and it leaves the pixels around them alone.
   drawing_mode(DRAW_MODE_TRANS, nullptr, 0, 0);
   circlefill(backBuffer, target.x, target.y, target.radius,
              makecol(154 * target.needRed, 154 * target.needGreen, 154 * target.needBlue));
   const int rim = makecol(55 * target.needRed, 55 * target.needGreen, 55 * target.needBlue);
   circle(backBuffer, target.x, target.y, target.radius, rim);
   circle(backBuffer, target.x, target.y, target.radius - 1, rim);
   solid_mode();
   if (target.flashing) {
      const int white = makecol(255, 255, 255);
      circle(backBuffer, target.x, target.y, target.radius, white);
      circle(backBuffer, target.x, target.y, target.radius + 1, white);
   }
   if (showMarks)
      drawNeededMarks(target.needRed, target.needGreen, target.needBlue, target.x, target.y);
}

void drawPopup(const TextFade &popup)
{
   char digits[16];
   snprintf(digits, sizeof digits, "%i", popup.value);
   set_trans_blender(0, 0, 0, popup.alpha);
   WorkArea work(text_length(scoresFont, digits), text_height(scoresFont));
   textprintf_ex(work.bitmap(), scoresFont, 0, 0, makecol(255, 255, 0), -1, "%s", digits);
   work.blend(popup.x, int(popup.y));
   solid_mode();
}

void drawSparks(const std::vector<Particle> &sparks)
{
   const int w = particleImage->w, h = particleImage->h;
   // The image turns about its centre, so it reaches half its diagonal
   // beyond the centre in any direction.
   const int reach = int(std::ceil(std::hypot(w, h) / 2)) + 1;
   WorkArea work(w / 2 + reach, h / 2 + reach);
   for (const Particle &spark : sparks) {
      set_trans_blender(254, 254, 254, spark.alpha);
      work.clear();
      rotate_sprite(work.bitmap(), particleImage, 0, 0, itofix(spark.angle));
      work.blend(spark.drawX - w, spark.drawY - h);
      solid_mode();
   }
}

void drawPlayfield(const Game &game)
{
   blit(texture, backBuffer, 0, 0, 0, 0, texture->w, texture->h);
   // The juggler stands on the bottom edge, between the hands.
   draw_sprite(backBuffer, characterImage, game.leftHand.midX - characterImage->w / 2,
               kGameHeight - characterImage->h);
   for (const Ball &ball : game.balls)
      drawBall(ball);
   set_trans_blender(128, 128, 128, 200);
   for (const Powerup &target : game.targets)
      drawTarget(target);
   solid_mode();
   for (const TextFade &popup : game.popups)
      drawPopup(popup);
   drawHand(game.leftHand, HandSide::Left);
   drawHand(game.rightHand, HandSide::Right);
   drawSparks(game.sparks);

   textprintf_ex(backBuffer, scoresFont, 521, 21, makecol(0, 0, 0), -1, "%i", game.score);
   textprintf_ex(backBuffer, scoresFont, 520, 20, makecol(253, 253, 51), -1, "%i", game.score);

   const int power = makecol(150, 0, 0), powerOutline = makecol(0, 50, 0);
   const int leftTop = int(kGameHeight - 20 * game.leftHand.power);
   const int rightTop = int(kGameHeight - 20 * game.rightHand.power);
   drawGauge(5, 475, 9, leftTop, power, 9, leftTop, powerOutline);
   drawGauge(630, 475, 635, rightTop, power, 635, rightTop, powerOutline);
   drawBars(game.energy, game.hitTimer, 5, 5);
}

void drawBars(float energy, float hitTimer, int x, int y)
{
   drawGauge(x, y, int(20 * energy + float(x)), y + 5, makecol(255, 200, 200), x + 200, y + 5,
             makecol(105, 50, 50));
   drawGauge(x, y + 7, int((10 - hitTimer) * 20 + float(x)), y + 12, makecol(200, 200, 255),
             x + 200, y + 12, makecol(50, 50, 105));
}
