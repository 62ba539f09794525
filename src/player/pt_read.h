// Reading a module file into the player's buffer, by the one rule that the
// demo and its tools share: up to MODBUF_LIMIT bytes are read, the rest of
// the buffer (and its MODBUF_SPARE bytes) zeroed; a longer file is taken cut
// to that many bytes, with a warning; a missing, unreadable or empty file is
// refused. What it says is in the program's own words, for "PROGRAM: PATH: ".
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "player/pt.h"  // MODBUF_LIMIT, MODBUF_SPARE

// Reads the file at path into buf (MODBUF_LIMIT + MODBUF_SPARE bytes; the
// bytes past the file are zeroed) and sets size to the bytes read. True when
// taken: warning is then empty, or says that the file was longer and only
// MODBUF_LIMIT bytes of it are read. False when refused, with why ("cannot
// open: REASON", "cannot read: REASON", "empty file"); size is then 0.
bool pt_read_file(const char* path, uint8_t* buf, int32_t& size, std::string& why, std::string& warning);
// The same into buf, sized to the file and MODBUF_SPARE zero bytes after it
// (a short file need not cost a whole buffer's zeroing), by the same rule.
bool pt_read_file(const char* path, std::vector<uint8_t>& buf, int32_t& size, std::string& why, std::string& warning);
// Why the player refused the last module, in words for a user, the same in
// the demo and zapmod: "not a module the player takes: unknown module type",
// "...: the file is cut short in header (19 of 1084 bytes)" (pt_errorstr
// without the loader's own name); the first part alone when it says nothing.
std::string pt_read_refusal();
