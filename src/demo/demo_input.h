// The pad's buttons and the desktop's keys as the frame loop acts on them.
#pragma once

// Acts on one pad button: stop, volume up or down; then writes the volume.
void demo_button(int button);
// Handles every pending event, and a termination signal that SDL leaves alone.
void demo_poll_events();
