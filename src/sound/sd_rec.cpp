// Recording device: the operation table's channel pointers go through small
// wrappers that note the call and then call the mixer's own operation, so the
// mixer's channel records stay exactly as they would without recording.
// Owns the record array pointer and counts; touches only the nine channel
// pointers of the operation table.
#include "sound/sd_rec.h"

#include "sound/sd_main.h"

// ---- State ------------------------------------------------------------------

namespace {
sd_rec_entry static_buffer[SD_REC_STATIC_CAPACITY];

// The mixer's operations, as sd_mix_setfunctions installed them.
int32_t (*real_getsample)(int32_t, const int8_t*, uint32_t, uint32_t, uint32_t, int32_t);
void (*real_selectchannel)(int32_t);
void (*real_setsample)(int32_t);
void (*real_setamigaperiod)(int32_t);
void (*real_setvolume)(int32_t);
void (*real_setpanning)(int32_t);
void (*real_setoffset)(uint32_t);
void (*real_setmainvolume)(int32_t);
void (*real_setactivechannels)(int32_t);
}  // namespace

sd_rec_entry* sd_rec_buffer = static_buffer;
int32_t sd_rec_capacity = SD_REC_STATIC_CAPACITY;
int32_t sd_rec_count;
int32_t sd_rec_overflow;

// ---- Helpers ------------------------------------------------------------------

namespace {

sd_rec_entry* next(sd_rec_op op) {
  if (sd_rec_count >= sd_rec_capacity) {
    sd_rec_overflow++;
    return nullptr;
  }
  sd_rec_entry* e = &sd_rec_buffer[sd_rec_count++];
  e->op = op;
  e->data = nullptr;
  return e;
}

void note1(sd_rec_op op, int64_t v) {
  if (sd_rec_entry* e = next(op)) e->a[0] = v;
}

int32_t rec_getsample(int32_t number, const int8_t* data, uint32_t length, uint32_t loopstart,
                      uint32_t loopend, int32_t looping) {
  if (sd_rec_entry* e = next(SD_REC_GETSAMPLE)) {
    e->a[0] = number;
    e->a[1] = length;
    e->a[2] = loopstart;
    e->a[3] = loopend;
    e->a[4] = looping;
    e->data = data;
  }
  return real_getsample(number, data, length, loopstart, loopend, looping);
}
void rec_selectchannel(int32_t c) {
  note1(SD_REC_SELECT, c);
  real_selectchannel(c);
}
void rec_setsample(int32_t s) {
  note1(SD_REC_SAMPLE, s);
  real_setsample(s);
}
void rec_setamigaperiod(int32_t p) {
  note1(SD_REC_PERIOD, p);
  real_setamigaperiod(p);
}
void rec_setvolume(int32_t v) {
  note1(SD_REC_VOLUME, v);
  real_setvolume(v);
}
void rec_setpanning(int32_t p) {
  note1(SD_REC_PANNING, p);
  real_setpanning(p);
}
void rec_setoffset(uint32_t o) {
  note1(SD_REC_OFFSET, o);
  real_setoffset(o);
}
void rec_setmainvolume(int32_t v) {
  note1(SD_REC_MAINVOLUME, v);
  real_setmainvolume(v);
}
void rec_setactivechannels(int32_t n) {
  note1(SD_REC_ACTIVECHANNELS, n);
  real_setactivechannels(n);
}

const char* const k_names[] = {"getsample", "activechannels", "select", "volume", "panning",
                               "sample",    "period",         "offset", "mainvolume"};

// Appends text or a decimal number to out without passing end - 1.
char* put_text(char* p, char* end, const char* s) {
  while (*s && p < end - 1) *p++ = *s++;
  return p;
}
char* put_number(char* p, char* end, int64_t v) {
  char tmp[24];
  int n = 0;
  uint64_t u = v < 0 ? 0 - static_cast<uint64_t>(v) : static_cast<uint64_t>(v);
  do {
    tmp[n++] = static_cast<char>('0' + u % 10);
    u /= 10;
  } while (u);
  if (v < 0 && p < end - 1) *p++ = '-';
  while (n > 0 && p < end - 1) *p++ = tmp[--n];
  return p;
}

}  // namespace

// ---- Public functions -------------------------------------------------------------

void sd_rec_install(sd_rec_entry* buffer, int32_t capacity) {
  sd_mix_setfunctions();
  real_getsample = sd_getsample;
  real_selectchannel = sd_selectchannel;
  real_setsample = sd_setsample;
  real_setamigaperiod = sd_setamigaperiod;
  real_setvolume = sd_setvolume;
  real_setpanning = sd_setpanning;
  real_setoffset = sd_setoffset;
  real_setmainvolume = sd_setmainvolume;
  real_setactivechannels = sd_setactivechannels;
  sd_getsample = rec_getsample;
  sd_selectchannel = rec_selectchannel;
  sd_setsample = rec_setsample;
  sd_setamigaperiod = rec_setamigaperiod;
  sd_setvolume = rec_setvolume;
  sd_setpanning = rec_setpanning;
  sd_setoffset = rec_setoffset;
  sd_setmainvolume = rec_setmainvolume;
  sd_setactivechannels = rec_setactivechannels;
  if (buffer && capacity > 0) {
    sd_rec_buffer = buffer;
    sd_rec_capacity = capacity;
  } else {
    sd_rec_buffer = static_buffer;
    sd_rec_capacity = SD_REC_STATIC_CAPACITY;
  }
  sd_rec_clear();
}

void sd_rec_clear() {
  sd_rec_count = 0;
  sd_rec_overflow = 0;
}

size_t sd_rec_format(const sd_rec_entry& e, char* out, size_t size) {
  if (size == 0) return 0;
  char* p = out;
  char* end = out + size;
  p = put_text(p, end, e.op <= SD_REC_MAINVOLUME ? k_names[e.op] : "?");
  const int args = e.op == SD_REC_GETSAMPLE ? 5 : 1;
  for (int i = 0; i < args; i++) {
    p = put_text(p, end, " ");
    p = put_number(p, end, e.a[i]);
  }
  *p = 0;
  return static_cast<size_t>(p - out);
}
