// The handheld's launcher, "/usr/gp2x/gp2xmenu", which the program hands the
// device back to when it ends.
#pragma once

// Changes to "/usr/gp2x" and replaces the program with the launcher; returns
// only if that fails (as on any machine without it).
void platform_launcher();
