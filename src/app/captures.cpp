#include "captures.h"

#include <unistd.h>

#include <ctime>
#include <future>
#include <system_error>
#include <vector>

#include "captures_folder.h"
#include "files/say.h"
#include "gif/gif.h"
#include "key_bindings.h"
#include "keyboard.h"
#include "picture.h"

std::string chosenCapturesFolder;

namespace {

const int kNoticeTicks = 200;  // two seconds
// The notice's lines, in characters of the 8-pixel font; its margin at the
// sides, and its top, below the gauges, the frame rate and the score.
const int kNoticeColumns = 76, kNoticeMargin = 12, kNoticeTop = 44;

struct Written {
   std::string path;  // the file, when it was written
   std::string problem;  // else why not
};

bool pictureKeyHeld = false;  // at the last tick, so that a press counts once
bool pictureAsked = false;  // pressed since the last picture was taken
std::future<Written> stillWritten;  // the picture being written, if any
std::string notice;
int noticeTicks = 0;  // ticks the notice still shows

void showNotice(const std::string &text)
{
   notice = text;
   noticeTicks = kNoticeTicks;
}

// On the writing thread: the folder, a name of its own, the file.
Written writeStill(BitmapPtr picture)
{
   const CaptureFile file =
      reserveCaptureFile(capturesFolder(chosenCapturesFolder), time(nullptr), false);
   if (!file.problem.empty())
      return {"", file.problem};
   const std::string problem = saveStill(file.path, picture.get());
   if (!problem.empty()) {
      unlink(file.path.c_str());
      return {"", problem};
   }
   return {file.path, ""};
}

void tellWritten(const Written &written)
{
   if (!written.problem.empty()) {
      say("the picture is not saved: " + written.problem);
      showNotice("Picture not saved: " + written.problem);
      return;
   }
   showNotice("Saved " + written.path.substr(written.path.rfind('/') + 1));
}

void takePicture(BITMAP *picture)
{
   BitmapPtr copy(create_bitmap_ex(bitmap_color_depth(picture), picture->w, picture->h));
   if (!copy) {
      tellWritten({"", "no memory for a copy of the picture"});
      return;
   }
   blit(picture, copy.get(), 0, 0, 0, 0, picture->w, picture->h);
   try {
      stillWritten = std::async(std::launch::async, writeStill, std::move(copy));
   } catch (const std::system_error &error) {
      tellWritten({"", std::string("no thread to write it: ") + error.what()});
   }
}

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

void drawNotice(BITMAP *picture)
{
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

}  // namespace

void readCaptureKeys()
{
   const bool held = keys->held(keyFor(SavePicture));
   pictureAsked = pictureAsked || (held && !pictureKeyHeld);
   pictureKeyHeld = held;
   if (noticeTicks > 0 && --noticeTicks == 0)
      notice.clear();
}

void captureFrame(BITMAP *picture)
{
   if (stillWritten.valid() &&
       stillWritten.wait_for(std::chrono::seconds(0)) == std::future_status::ready)
      tellWritten(stillWritten.get());
   // A press while a picture is still being written takes the frame after.
   if (pictureAsked && !stillWritten.valid()) {
      pictureAsked = false;
      takePicture(picture);
   }
   if (!notice.empty())
      drawNotice(picture);
}

void finishCaptures()
{
   if (stillWritten.valid())
      tellWritten(stillWritten.get());
}

std::string saveStill(const std::string &path, BITMAP *picture)
{
   GifAnimationSettings settings;
   settings.width = picture->w;
   settings.height = picture->h;
   settings.loop_count = -1;
   std::string problem;
   GifAnimation *still = open_gif_animation(path.c_str(), settings, &problem);
   if (!still)
      return problem;
   if (add_gif_bitmap_frame(still, picture, -1, 0, &problem) != 0) {
      abandon_gif_animation(still);
      return problem;
   }
   close_gif_animation(still, &problem);
   return problem;
}

const std::string &captureNotice()
{
   return notice;
}
