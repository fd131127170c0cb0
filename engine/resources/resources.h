#pragma once
// The engine's resource side:
//   resource_manager.h the store of assets: registration, lazy loading, release
//   blit.h         the pixel blitters onto 32-bit surfaces
//   font_store.h   the rich-text renderer (markup, layout, glyph blending)
//   glyph_rasterizer.h the font the renderer draws with
//   image_provider.h / script_host.h what the drawing side and the
//                  interpreter offer the manager
//   hashes.h       the three name hashes and the six resource-type ids
//   file_utils.h   program directory, whole-file reading, path and text helpers
//   mem_pool.h     the block memory pool of the pool entity
//   image_record.h the loaded form of an image, its flags and limits
//   palette.h      palette records, ".quad" palettes and the palette table
//   pps.h          the packed picture format ".pps"
//   picture.h      readers for the standard picture formats
//   image_decode.h standard pictures into images
//   image_load.h   an image resource from its record's bytes
//   res_log.h      where the log lines go until the game log is connected

#include "engine/resources/blit.h"
#include "engine/resources/file_utils.h"
#include "engine/resources/font_store.h"
#include "engine/resources/hashes.h"
#include "engine/resources/image_decode.h"
#include "engine/resources/image_load.h"
#include "engine/resources/image_record.h"
#include "engine/resources/mem_pool.h"
#include "engine/resources/palette.h"
#include "engine/resources/picture.h"
#include "engine/resources/pps.h"
#include "engine/resources/res_log.h"
#include "engine/resources/resource_manager.h"
