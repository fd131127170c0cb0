#pragma once
// The picture library, beside the platform: the standard picture formats
// decoded through the system libraries, and the packed ".pps" pictures.
//
//   picture.h       Picture, PictureFormat: readers for BMP, ICO, PNG, JPEG,
//                   GIF, TIFF, TGA, PCX and WBMP (codec_*.cpp)
//   image_record.h  the loaded form of an image, its flags and limits
//   image_decode.h  standard pictures into images
//   palette.h       palette records, ".quad" palettes and the palette table
//   pps.h           the packed picture format ".pps"
//   res_log.h       where the log lines go until the game log is connected

#include "pictures/image_decode.h"
#include "pictures/image_record.h"
#include "pictures/palette.h"
#include "pictures/picture.h"
#include "pictures/pps.h"
#include "pictures/res_log.h"
