// Termination signals (SIGTERM, SIGINT, SIGHUP) stop the show with status 0.
// On a desktop SDL turns SIGTERM and SIGINT into the window's close request,
// a stop, and this catches SIGHUP, which SDL leaves alone. The handheld build
// discards that request, so there it catches all three itself.
#pragma once

// Catches the signals above (call after SDL_Init, which sets SDL's own
// handlers). Nothing in a browser.
void platform_catch_signals();
// Whether a caught one came since platform_catch_signals.
bool platform_signalled();
