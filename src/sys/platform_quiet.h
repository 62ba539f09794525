// Library chatter: what libraries print by themselves on standard error while
// SDL looks for its drivers (ALSA's lines on a machine without a sound card,
// the display library's complaint about XDG_RUNTIME_DIR) must not reach the
// user. Between platform_quiet_begin and platform_quiet_end standard error
// goes to a temporary file; at the end every line of it but that chatter is
// written to standard error after all, in its order, so the program's own
// lines and anything unexpected still show. Not nested; nothing in a browser.
// The demo and zapmod play both keep it around opening SDL and its sound.
#pragma once

void platform_quiet_begin();
void platform_quiet_end();
