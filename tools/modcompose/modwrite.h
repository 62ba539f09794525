// Module writer of modcompose: lays out a song and its synthesised samples as
// the bytes of a four-character-id tracker module (31 sample headers, order
// table, "M.K.", "6CHN" or "8CHN" by the channel count, patterns, sample data).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "score.h"
#include "synth.h"

inline constexpr size_t MODWRITE_MAX_BYTES = 1000000;  // the demo reads at most this much

// The module bytes of song with samples[i] as the data of instrument i + 1.
// False with error set when the result would not fit the demo's buffer.
bool modwrite(const score_song& song, const std::vector<synth_sample>& samples, std::vector<uint8_t>& out,
              std::string& error);
