// Helpers for the demo tests: a set of data files made in code, temporary
// directories, and frames written as PNG for a look.
//
// The data set is small and complete of the demo's data files, made in code for the tests:
// ten pictures of a few shapes each, two spiral point drawings, a font whose
// glyphs differ by a bar code of their number, and a 26-order module that
// reaches the stop position. Loading them exercises every loader; the frames
// they give are the subject of the golden hashes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Writes the files into root + "data/" (root ends with '/', and must exist).
void write_demo_assets(const std::string& root);
// A process-wide temporary root holding a fresh set, made on first use and
// removed at exit; ends with '/'.
const std::string& demo_assets_root();
// A new empty temporary directory (removed at exit); ends with '/'.
std::string make_temp_root();
// Writes bytes to path; false if that fails.
bool write_file(const std::string& path, const std::string& bytes);
// Writes a 320x200 frame with its 256-entry palette (768 bytes, RGB) as a PNG
// scaled up k times; false if that fails.
bool write_png(const std::string& path, const uint8_t* frame, const uint8_t* palette, int k);
