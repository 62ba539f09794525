// The golden records of the test suite (frame hashes, player traces, render
// hashes, the capture span, the picture dump under tests/data): how a test
// knows it is asked to record them again, and what a failing one tells.
//
// One command records them all again after a deliberate change:
// scripts/record-goldens. It runs the golden tests with ZAP_UPDATE_GOLDENS=1,
// which every one of them honours, and keeps the frames for a look in
// BUILD/golden-frames.
#pragma once

#include <cstdlib>
#include <string>

// ZAP_UPDATE_GOLDENS=1 (or the older ZAP_REGENERATE=1, ZAP_REGENERATE_GOLDEN=1):
// write the records instead of comparing with them.
inline bool golden_update_requested() {
  for (const char* name : {"ZAP_UPDATE_GOLDENS", "ZAP_REGENERATE", "ZAP_REGENERATE_GOLDEN"}) {
    const char* v = std::getenv(name);
    if (v && *v && std::string(v) != "0") return true;
  }
  return false;
}

// Where golden tests write the frames they record or that differ.
inline std::string golden_frames_dir() { return std::string(ZAP_BINARY_DIR) + "/golden-frames"; }

// What a failing golden test says after its own message.
inline std::string golden_hint() {
  return "after a deliberate change, record every golden again with scripts/record-goldens (" ZAP_SOURCE_DIR
         "/scripts/record-goldens); look at the frames in " + golden_frames_dir() + " first";
}
