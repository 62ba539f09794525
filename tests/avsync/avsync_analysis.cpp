// Picture against sound, measured (see avsync.h).
#include "avsync.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

std::vector<int64_t> avs_onsets(std::span<const int16_t> pcm, int32_t threshold, int32_t quiet) {
  std::vector<int64_t> onsets;
  int64_t calm = quiet;  // samples below the threshold since the last loud one; the start counts as quiet
  for (size_t i = 0; i < pcm.size(); i++) {
    const int32_t v = pcm[i] < 0 ? -int32_t{pcm[i]} : int32_t{pcm[i]};
    if (v >= threshold) {
      if (calm >= quiet) onsets.push_back(static_cast<int64_t>(i));
      calm = 0;
    } else {
      calm++;
    }
  }
  return onsets;
}

int32_t avs_row_of(int32_t pos) { return pos < 0 ? -1 : (pos / 100) * 64 + pos % 100; }

avs_result avs_compare(const std::vector<int64_t>& row_start_us, const std::vector<avs_frame>& frames,
                       const avs_limits& limits) {
  avs_result r;
  if (row_start_us.size() < 2) return r;
  // Near the recording's end a frame may show a row whose sound was cut off:
  // the last few rows' spans are not taken as known.
  const int64_t first = row_start_us.front();
  const int64_t last = row_start_us[row_start_us.size() > AVS_END_ROWS ? row_start_us.size() - AVS_END_ROWS : 0];
  // Where the sound first ran dry: from the row before the first one that
  // came late or early on.
  int64_t dry = INT64_MAX;
  for (size_t i = 1; i < row_start_us.size(); i++) {
    const int64_t gap = row_start_us[i] - row_start_us[i - 1];
    if (limits.row_us > 0 && (gap > limits.row_us + 100 || gap < limits.row_us - 100)) {
      r.late_rows++;
      dry = std::min(dry, row_start_us[i - 1]);
    }
  }
  for (const avs_frame& f : frames) {
    if (f.t_us < first || f.t_us >= last) continue;
    if (f.t_us - f.read_us >= limits.late_frame_us) {
      r.shown_late++;
      continue;
    }
    if (f.t_us >= dry) {
      r.dry++;
      continue;
    }
    const int32_t row = avs_row_of(f.shown);
    if (row < 0 || static_cast<size_t>(row) + 1 >= row_start_us.size()) {
      r.unknown++;
      continue;
    }
    const int64_t start = row_start_us[static_cast<size_t>(row)];
    const int64_t end = row_start_us[static_cast<size_t>(row) + 1];
    const int64_t d = f.t_us < start ? start - f.t_us : f.t_us >= end ? end - f.t_us : 0;
    r.offs_ms.push_back(static_cast<double>(d) / 1000.0);
  }
  std::vector<double> abs;
  for (const double d : r.offs_ms) abs.push_back(std::fabs(d));
  std::sort(abs.begin(), abs.end());
  if (!abs.empty()) {
    r.median_ms = abs[abs.size() / 2];
    r.max_ms = abs.back();
  }
  return r;
}

bool avs_read_log(const std::string& path, std::vector<avs_frame>& frames, std::string* error) {
  std::ifstream in(path);
  if (!in) {
    *error = path + ": cannot read";
    return false;
  }
  std::string line;
  long long count = -1;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    if (line.rfind("frames ", 0) == 0) {
      long long dropped = 0;
      if (std::sscanf(line.c_str(), "frames %lld dropped %lld", &count, &dropped) != 2) break;
      continue;
    }
    std::istringstream fields(line);
    avs_frame f;
    long long t = 0, read = 0, sample = 0;
    long long handed = 0;
    if (!(fields >> t >> read >> f.shown >> f.mixer >> sample >> handed)) {
      *error = path + ": not a frame line: " + line;
      return false;
    }
    f.t_us = t;
    f.read_us = read;
    f.sample = sample;
    f.handed = static_cast<uint32_t>(handed);
    frames.push_back(f);
  }
  if (count < 0 || static_cast<size_t>(count) != frames.size()) {
    *error = path + ": not a whole frame log (" + std::to_string(frames.size()) + " frames, header says " +
             std::to_string(count) + ")";
    return false;
  }
  return true;
}
