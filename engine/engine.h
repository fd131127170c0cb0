#pragma once
// The 2D scene engine:
//   game_engine.h     the engine object scenes derive from: life cycle, frames,
//                     system commands, console and the facade
//   world.h           entities, controls, objects, messages, the frame clock
//   apply.h           timed actions; apply_steps.h the engine's own steps
//   entity.h          the scene object; image_entity.h, text_entity.h,
//                     clone_entity.h its picture, text and clone kinds;
//                     anim_entity.h, particle_entity.h, pool_entity.h the
//                     animated picture, particles, point set, callback list
//   control_record.h  input events to messages; mouse_controller.h the input
//   control.h         controls acting on their entity; advanced_button.h the
//                     text button and the message box's; button_frame.h bars
//   table_view.h      the window that hosts and drives an engine
//   engine_object.h   objects living in the World; engine_message.h messages
//   frame_strip.h     frame-strip timing; particles.h particle maths
//   screen_device.h   the logical screen and its layers (screen_layer.h)
//   sound_manager.h   effects, built-in sounds and looping music
//   engine_clock.h, geometry.h, draw_record.h, game_log.h, error_box.h
//                     clock, geometry, the draw record, logging
// Sub-folders:
//   resources/        the resource side: asset store, blitters, rich text (resources.h);
//                     its pictures come from the picture library (pictures/)

#include "engine/advanced_button.h"
#include "engine/anim_entity.h"
#include "engine/apply.h"
#include "engine/apply_steps.h"
#include "engine/button_frame.h"
#include "engine/clone_entity.h"
#include "engine/control.h"
#include "engine/control_record.h"
#include "engine/engine_clock.h"
#include "engine/engine_message.h"
#include "engine/engine_object.h"
#include "engine/entity.h"
#include "engine/frame_strip.h"
#include "engine/game_engine.h"
#include "engine/game_log.h"
#include "engine/image_entity.h"
#include "engine/mouse_controller.h"
#include "engine/particle_entity.h"
#include "engine/particles.h"
#include "engine/pool_entity.h"
#include "engine/screen_device.h"
#include "engine/sound_manager.h"
#include "engine/table_view.h"
#include "engine/text_entity.h"
#include "engine/world.h"
