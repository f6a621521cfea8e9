// Setting the reason gif_last_error() reports; for the codec's own files.
#ifndef TOSSARO_GIF_FAILURE_H
#define TOSSARO_GIF_FAILURE_H

#include "gif/gif_error.h"

// Records a reason that has no place in the file, or GIF_ERROR_NONE.
void set_gif_error(GifError error);

#endif
