// Recording device for tests and tools: wraps the mixer's channel operations
// so that every call through the operation table is written, with its
// arguments and in call order, into a fixed array before the real operation
// runs. Recording never allocates: the array is given at install time (or a
// static one is used) and calls beyond its capacity are only counted.
#pragma once

#include <cstddef>
#include <cstdint>

enum sd_rec_op : uint8_t {
  SD_REC_GETSAMPLE,       // a: number, length, loop start, loop end, looping; data: the address
  SD_REC_ACTIVECHANNELS,  // a[0]: count
  SD_REC_SELECT,          // a[0]: channel
  SD_REC_VOLUME,          // a[0]: volume
  SD_REC_PANNING,         // a[0]: panning
  SD_REC_SAMPLE,          // a[0]: sample number
  SD_REC_PERIOD,          // a[0]: Amiga period
  SD_REC_OFFSET,          // a[0]: offset in bytes (as an unsigned value)
  SD_REC_MAINVOLUME,      // a[0]: main volume
};

struct sd_rec_entry {
  sd_rec_op op;
  int64_t a[5];           // arguments as passed (unsigned ones keep their value)
  const int8_t* data;     // getsample's data address, else null
};

inline constexpr int32_t SD_REC_STATIC_CAPACITY = 16384;

extern sd_rec_entry* sd_rec_buffer;  // where calls are recorded
extern int32_t sd_rec_capacity;      // entries it holds
extern int32_t sd_rec_count;         // entries recorded since the last clear
extern int32_t sd_rec_overflow;      // calls not recorded for lack of room

// Installs the mixer's channel operations (sd_mix_setfunctions), keeps them,
// and puts the recording wrappers in their place; lifecycle pointers are left
// alone. buffer null: a static array of SD_REC_STATIC_CAPACITY entries.
// Clears the record.
void sd_rec_install(sd_rec_entry* buffer, int32_t capacity);
// Forgets what was recorded (count and overflow to 0).
void sd_rec_clear();
// Writes the entry as one trace line without a newline, such as "select 3" or
// "getsample 1 1000 0 2 0"; returns the characters written (at most size - 1).
size_t sd_rec_format(const sd_rec_entry& e, char* out, size_t size);
