#include "app/capture_notice.h"

#include <cctype>
#include <vector>

#include "files/paths.h"
#include "files/say.h"
#include "game/ticks.h"
#include "shell/picture.h"

namespace {

const int kNoticeTicks = 2 * kTicksPerSecond;
// The notice's lines, in characters of the 8-pixel font; its margin at the
// sides, and its top, below the gauges, the frame rate and the score.
const int kNoticeColumns = 76, kNoticeMargin = 12, kNoticeTop = 44;

std::string notice;
int noticeTicks = 0;  // ticks the notice still shows

// The notice in lines that fit the picture, broken at blanks where it can.
std::vector<std::string> noticeLines()
{
   std::vector<std::string> lines;
   std::string rest = notice;
   while (rest.size() > size_t(kNoticeColumns)) {
      size_t cut = rest.rfind(' ', kNoticeColumns);
      cut = cut == std::string::npos || cut == 0 ? kNoticeColumns : cut;
      lines.push_back(rest.substr(0, cut));
      rest.erase(0, rest[cut] == ' ' ? cut + 1 : cut);
   }
   lines.push_back(rest);
   return lines;
}

}  // namespace

void showCaptureNotice(const std::string &text)
{
   notice = text;
   noticeTicks = kNoticeTicks;
}

void tellCapture(const CaptureOutcome &outcome, const char *what)
{
   if (!outcome.problem.empty()) {
      say(std::string("the ") + what + " is not saved: " + outcome.problem);
      std::string capital = what;
      capital[0] = char(toupper(capital[0]));
      showCaptureNotice(capital + " not saved: " + outcome.problem);
      return;
   }
   showCaptureNotice("Saved " + name_of(outcome.path));
}

void ageCaptureNotice()
{
   if (noticeTicks > 0 && --noticeTicks == 0)
      notice.clear();
}

void drawCaptureNotice(BITMAP *picture)
{
   if (notice.empty())
      return;
   const std::vector<std::string> lines = noticeLines();
   const int h = int(lines.size()) * 10 + 8;
   const int top = kNoticeTop;
   rectfill(picture, kNoticeMargin, top, kGameWidth - 1 - kNoticeMargin, top + h - 1,
            makecol(kPanelInk));
   rect(picture, kNoticeMargin, top, kGameWidth - 1 - kNoticeMargin, top + h - 1,
        makecol(kPanelFace));
   for (size_t i = 0; i < lines.size(); i++)
      textout_centre_ex(picture, font, lines[i].c_str(), kGameWidth / 2, top + 5 + int(i) * 10,
                        makecol(255, 255, 255), -1);
}

const std::string &captureNotice()
{
   return notice;
}
