#pragma once
// The mahjong table client.
//   app/     the round snapshot, seats and table logic, apart from the drawing
//   scene/   the table scene on the engine: tiles, hands, wall, screenshots
//   panes/   the frame and its panes (table, chat, players, rank, operations), dialogs
//
//   app/seat_layout.h      seats: chair <-> view seat arithmetic, layout words
//   app/snapshot_words.h   where the round snapshot keeps each value
//   app/table_logic.h      CTableLogic: the round snapshot store, round texts, pane sizes
//   app/seat_panel.h       CSeatPanel: the players' seat records and voice folders
//   scene/mj_struct.h      MJStruct tile places, claim option records, face lists
//   scene/tile_identity.h  picture cell, suit, rank and copies of a tile code
//   scene/tile_pictures.h  tile sizes and pictures
//   scene/tile_bindings.h  TileBinding: a tile entity lent to a record
//   scene/table_scene_base.h  CMJTableSceneBase: the data model, hands, areas, wall
//   scene/table_scene.h    CMJTableScene (engine pane) and CTableScene (this game)
//   scene/jpeg_file.h      JpegFile: RGB rows to a JPEG file
//   scene/screenshot.h     the screen read back at its depth and saved as JPEG

#include "mahjong/app/seat_layout.h"
#include "mahjong/app/seat_panel.h"
#include "mahjong/app/snapshot_words.h"
#include "mahjong/app/table_logic.h"
#include "mahjong/scene/jpeg_file.h"
#include "mahjong/scene/mj_struct.h"
#include "mahjong/scene/screenshot.h"
#include "mahjong/scene/table_scene.h"
#include "mahjong/scene/table_scene_base.h"
#include "mahjong/scene/tile_bindings.h"
#include "mahjong/scene/tile_identity.h"
#include "mahjong/scene/tile_pictures.h"
