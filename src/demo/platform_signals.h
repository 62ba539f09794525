// Termination signals (SIGTERM, SIGINT, SIGHUP). On a desktop SDL turns them
// into the window's close request, a stop. The handheld build discards that
// request, so there it catches them itself.
#pragma once

// Catches the signals (handheld build; call after SDL_Init, which sets SDL's
// own handlers). Elsewhere it does nothing.
void platform_catch_signals();
// Whether one of them came since platform_catch_signals.
bool platform_signalled();
