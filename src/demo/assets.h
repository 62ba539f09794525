// The demo's assets: the data files' paths, their loading in the demo's order
// before the display opens, and the one-line messages that name a file that
// is missing, unreadable, empty or cut short. Owns the scene pictures, the two
// point drawings and the module buffer.
#pragma once

#include <cstdint>
#include <string>

#include "cgm/cgm.h"
#include "effects/drawing.h"
#include "player/pt.h"  // MODBUF_LIMIT, MODBUF_SPARE

extern const char* assets_program;  // name that begins every message ("zapcobbles")
extern const char* assets_root;     // directory holding data/ ("" = working directory; a '/' is added)
extern cgm_picture *hipcat, *zoomer, *ankels, *swing1, *swing2, *strutter, *strutterblk, *bottles;
extern drawing_rec *grooveking, *afrogirl;  // the two self-drawing line drawings
extern uint8_t* modbuf;                     // module image: MODBUF_LIMIT + MODBUF_SPARE bytes
extern int32_t modsize;                     // bytes of the module file in modbuf

// The path of data file name: assets_root + "data/" + name, with a '/'
// after a root that lacks one.
std::string assets_data_path(const char* name);
// Loads every data file in the stated order, before the display opens. On a
// missing, unreadable or empty file it writes one line naming the file and
// the reason on stderr and returns false; a missing font only warns. Loading
// again frees the earlier assets first (call it while no music plays).
bool assets_load();
