#pragma once
// The client framework: the application, its main frame and panes, the hall
// and game-server connections, on the platform's window system.
//   controls/   skinned buttons and splitter, icon menus, the chat's rich edit,
//               the data list, popups, the face picker, gradients and links
//
//   game_app.h, mj_game_app.h      CGameApp and its mahjong layer: start-up, tables
//   launch_line.h, hall_client.h   the hall's launch line and link
//   hall_key.h, hall_records.h, hall_tables.h   the hall's records, byte-exact,
//                                  and the application's copies of them
//   game_session.h, comm_thread.h  the game server's connection and its thread
//   notify_handler.h               notification ids to handlers
//   game_frame.h, mj_game_frame.h, doc_template.h, dialog_bar.h   the main frame
//   game_view.h, game_table_view.h, player_view.h, chat_view.h, html_views.h
//                                  the panes: table, players, chat, web pages
//   chat_markup.h                  the chat's tags
//   notice_download.h, notice_popup.h   notices and the looker's popup
//   framework_dialogs.h            the framework's small dialogs
//   skin_settings.h, skin_library.h     skins
//   picture_file.h, web_picture.h, draw_utils.h, client_ui.h   pictures,
//                                  drawing, sounds and scaling
//   client_utils.h                 text and list helpers

#include "client/chat_markup.h"
#include "client/chat_view.h"
#include "client/client_ui.h"
#include "client/client_utils.h"
#include "client/comm_thread.h"
#include "client/dialog_bar.h"
#include "client/doc_template.h"
#include "client/draw_utils.h"
#include "client/framework_dialogs.h"
#include "client/game_app.h"
#include "client/game_frame.h"
#include "client/game_session.h"
#include "client/game_table_view.h"
#include "client/game_view.h"
#include "client/hall_client.h"
#include "client/hall_key.h"
#include "client/hall_records.h"
#include "client/hall_tables.h"
#include "client/html_views.h"
#include "client/launch_line.h"
#include "client/mj_game_app.h"
#include "client/mj_game_frame.h"
#include "client/notice_download.h"
#include "client/notice_popup.h"
#include "client/notify_handler.h"
#include "client/picture_file.h"
#include "client/player_view.h"
#include "client/skin_library.h"
#include "client/skin_settings.h"
#include "client/web_picture.h"
