// The key map: which pad button an input event stands for. On the handheld
// only the pad's joystick buttons act; a desktop maps its keys and the
// window's close request onto the same buttons.
#pragma once

#include <SDL.h>

// Pad buttons that the frame loop acts on.
inline constexpr int BUTTON_STOP_A = 13;
inline constexpr int BUTTON_STOP_B = 14;
inline constexpr int BUTTON_VOL_UP = 16;
inline constexpr int BUTTON_VOL_DOWN = 17;
// Not a pad button: the desktop's switch between window and full screen
// (F11, Alt+Enter, and Escape while in full screen).
inline constexpr int BUTTON_FULLSCREEN = 100;

// The pad button an event stands for, or -1. Joystick presses are buttons; in
// the desktop build Escape, Q and the window's close request stand for 14,
// + and = for 16, - for 17, and F11 and Alt+Enter for BUTTON_FULLSCREEN; in
// full screen Escape first returns to the window (BUTTON_FULLSCREEN).
int platform_button(const SDL_Event& ev);
