#pragma once
// The platform layer: what the program needs of the operating system, the
// window system, fonts and sound, written for Linux.
//   gui/     windows, messages, controls, painting, the SDL2 and headless displays
//   font/    fonts by face name, glyphs through FreeType
//   audio/   sound playing through SDL2_mixer, and a recording stand-in
//
//   win_types.h, message.h      handles, rectangles and the message record
//   message_queue.h, window.h   per-thread queues, timers and window handles
//   thread.h, sync.h, waitable.h   threads, locks, events and waits
//   clock.h                     the program's clock (real, manual or driven)
//   async_socket.h, http_get.h  event-driven sockets and HTTP fetches
//   hall_link.h, hall_frame.h   the link to the hall program and its records
//   profile.h, profile_text.h   settings files ("ini") and their text
//   paths.h, process.h, machine.h, program_resources.h   the program's place,
//                               child processes, the machine, resource files
//   text.h, bytes.h, payload.h  GBK and UTF-8, little-endian bytes, owned payloads
//   daily_log.h                 the daily log file

#include "platform/async_socket.h"
#include "platform/bytes.h"
#include "platform/clock.h"
#include "platform/daily_log.h"
#include "platform/hall_frame.h"
#include "platform/hall_link.h"
#include "platform/http_get.h"
#include "platform/machine.h"
#include "platform/message.h"
#include "platform/message_queue.h"
#include "platform/paths.h"
#include "platform/payload.h"
#include "platform/process.h"
#include "platform/profile.h"
#include "platform/profile_text.h"
#include "platform/program_resources.h"
#include "platform/sync.h"
#include "platform/text.h"
#include "platform/thread.h"
#include "platform/waitable.h"
#include "platform/win_types.h"
#include "platform/window.h"
