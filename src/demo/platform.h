// Platform layer: the handheld's OSS mixer, its launcher and its button pad,
// with desktop stand-ins where they are absent, and what the program needs
// of its surroundings besides. Nothing else in the program touches a device
// node, ioctl or exec. One file a job:
//   platform_mixer       the hardware volume (OSS mixer, or the demo's own)
//   platform_keys        the key map: events to pad buttons
//   platform_window      the window's scaling, full screen, whether there is a display
//   platform_signals     termination signals on the handheld
//   platform_launcher    the hand-back to the launcher
//   platform_pace        frame pacing on a desktop
//   platform_quiet       libraries' chatter kept off standard error (in sys/, which
//                        the tools share)
//   platform_time_scale  ZAP_TIME_SCALE
//
// This header is the layer's public face: it brings in the parts above, so a
// caller may include it alone.
#pragma once

#include "demo/platform_keys.h"
#include "demo/platform_launcher.h"
#include "demo/platform_mixer.h"
#include "demo/platform_pace.h"
#include "demo/platform_signals.h"
#include "demo/platform_time_scale.h"
#include "demo/platform_window.h"
#include "sys/platform_quiet.h"
