#include "app/still.h"

#include <ctime>
#include <future>
#include <system_error>

#include "app/capture_notice.h"
#include "app/captures_folder.h"
#include "gif/gif.h"

namespace {

bool pictureAsked = false;  // pressed since the last picture was taken
std::future<CaptureOutcome> stillWritten;  // the picture being written, if any

void tellPicture(const CaptureOutcome &outcome)
{
   tellCapture(outcome, "picture");
}

// On the writing thread: the folder, a name of its own, the file.
CaptureOutcome writeStill(BitmapPtr picture)
{
   const CaptureFile file =
      chooseCaptureFile(capturesFolder(chosenCapturesFolder), time(nullptr), false);
   if (!file.problem.empty())
      return {"", file.problem};
   const std::string problem = saveStill(file.path, picture.get());
   if (!problem.empty())
      return {"", file.path + ": " + problem};
   return {file.path, ""};
}

void takePicture(BITMAP *picture)
{
   BitmapPtr copy(create_bitmap_ex(bitmap_color_depth(picture), picture->w, picture->h));
   if (!copy) {
      tellPicture({"", "no memory for a copy of the picture"});
      return;
   }
   blit(picture, copy.get(), 0, 0, 0, 0, picture->w, picture->h);
   try {
      stillWritten = std::async(std::launch::async, writeStill, std::move(copy));
   } catch (const std::system_error &error) {
      tellPicture({"", std::string("no thread to write it: ") + error.what()});
   }
}

}  // namespace

void askForPicture()
{
   pictureAsked = true;
}

void tellPictureWritten()
{
   if (stillWritten.valid() &&
       stillWritten.wait_for(std::chrono::seconds(0)) == std::future_status::ready)
      tellPicture(stillWritten.get());
}

void takeAskedPicture(BITMAP *picture)
{
   if (pictureAsked && !stillWritten.valid()) {
      pictureAsked = false;
      takePicture(picture);
   }
}

void finishPicture()
{
   if (stillWritten.valid())
      tellPicture(stillWritten.get());
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
