// The demo's point drawings: strokes in drawing order, resampled to an even
// pen speed and written as point files (eighth pixels; y grows downwards
// and the frame's top row is at 208).
#pragma once

#include <string>

#include "geom.h"

// Counts of what drawing_write produced, for the report.
struct DrawStats {
  int strokes = 0;
  int segments = 0;
  double step = 0;  // pen step, pixels
};

// A drawing in frame pixels (320x200, y down), strokes in the order drawn.
struct Sketch {
  std::vector<Poly> strokes;
};

// Resamples every stroke at one pen step chosen so the whole drawing has
// as close to segments segments as the step allows, and writes the file.
std::string drawing_write(const Sketch& s, int segments, DrawStats& st);

// A four-point sparkle of radius r as one closed stroke.
Poly sparkle(Pt c, double r);

Sketch sketch_afrogirl();
Sketch sketch_grooveking();

// Segment targets: a segment every 5 ms over the first-drawing scene
// (24.5 s) and every 9 ms over the greetings (32.7 s), each drawing
// finishing in the last fifth of its scene.
inline constexpr int kAfrogirlSegments = 4500;
inline constexpr int kGrookingSegments = 3300;
