#pragma once
// The engine's resource side, above the picture library (pictures/):
//   resource_manager.h the store of assets: registration, lazy loading, release
//   image_load.h   an image resource from its record's bytes or its file
//   blit.h         the pixel blitters onto 32-bit surfaces
//   font_store.h   the rich-text renderer (markup, layout, glyph blending)
//   glyph_rasterizer.h the font the renderer draws with
//   image_provider.h / script_host.h what the drawing side and the
//                  interpreter offer the manager
//   hashes.h       the three name hashes and the six resource-type ids
//   file_utils.h   program directory, whole-file reading, path and text helpers
//   mem_pool.h     the block memory pool of the pool entity

#include "engine/resources/blit.h"
#include "engine/resources/file_utils.h"
#include "engine/resources/font_store.h"
#include "engine/resources/hashes.h"
#include "engine/resources/image_load.h"
#include "engine/resources/mem_pool.h"
#include "engine/resources/resource_manager.h"
