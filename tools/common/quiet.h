// Keeps the lines that libraries print by themselves on standard error (the
// sound library's "ALSA lib ..." without a sound card, a desktop session's
// XDG_RUNTIME_DIR warning) out of a tool's output, as the demo does: between
// begin and end standard error goes to a temporary file, and at the end
// every other line is passed on.
#pragma once

void tool_quiet_begin();
void tool_quiet_end();
