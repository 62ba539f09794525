// Module writer of modcompose: lays out a song and its synthesised samples as
// the bytes of a four-character-id tracker module (31 sample headers, order
// table, "M.K.", "6CHN" or "8CHN" by the channel count, patterns, sample data).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "score.h"
#include "synth.h"

// The module bytes of song with samples[i] as the data of instrument i + 1.
// False with error set when the song is one the format cannot hold (a
// channel count but 4, 6 or 8, more than 31 instruments or 128 order
// entries, a sample or loop longer than 65535 words or of an odd length, a
// loop past its sample's end) or when the result would not fit the demo's
// buffer (MODBUF_LIMIT, player/pt.h).
bool modwrite(const score_song& song, const std::vector<synth_sample>& samples, std::vector<uint8_t>& out,
              std::string& error);
