// The demo's own module, data/da_plim.mod, loaded for the offline callback
// path the way the demo loads it: into a zeroed buffer of the demo's size.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

inline constexpr size_t k_module_buffer = 1000000;
inline const std::string k_demo_module = std::string(ZAP_SOURCE_DIR) + "/data/da_plim.mod";

// The module's bytes in a buffer of k_module_buffer bytes; size gets the file's
// length (0 when it cannot be read).
inline std::vector<uint8_t> load_demo_module(int32_t& size) {
  std::vector<uint8_t> buf(k_module_buffer, 0);
  size = 0;
  if (std::FILE* f = std::fopen(k_demo_module.c_str(), "rb")) {
    size = static_cast<int32_t>(std::fread(buf.data(), 1, buf.size() - 2, f));
    std::fclose(f);
  }
  return buf;
}
