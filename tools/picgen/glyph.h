// Glyph outlines from Debian's fonts through FreeType: the contours of one
// glyph in font units (y up), curves flattened to a fixed tolerance.
#pragma once

#include <cstdint>

#include "geom.h"

// The font the pictures trace (Debian package fonts-symbola, free for any
// use); see data/CREDITS.md.
inline constexpr const char* kSymbola = "/usr/share/fonts/truetype/ancient-scripts/Symbola_hint.ttf";

// The contours of code point cp in the font at path, curves flattened so no
// point strays more than tol font units from the curve. Exits the program
// with a message naming the font when it or the glyph is missing.
Polys glyph(const char* path, uint32_t cp, double tol);
