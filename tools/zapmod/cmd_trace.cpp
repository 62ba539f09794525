// zapmod trace FILE [--ticks N]: the player's regression format.
//
// Loads the module as the demo does, with the recording device over the mixer,
// and prints every sound-device call of loading and of the first N ticks, one
// per line, in call order:
//
//   getsample S LEN LOOPSTART LOOPEND LOOPING   (loading, one per sample)
//   activechannels N                            (loading)
//   error MESSAGE                               (the player refused the module; exit 1)
//   tick K                                      (before tick K, from 0)
//   select C | volume V | panning P | sample S | period P | offset O
//   pos POS VBCOUNT                             (after the tick: mzx_position(), pt_vbcount)
//
// Keep this format stable: golden traces of the player are compared with it.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "music/cool_mzx.h"
#include "music/mzx_sync.h"
#include "player/pt.h"
#include "sound/sd_rec.h"
#include "zapmod.h"

namespace {

// Room for one tick of 32 channels (at most 7 calls each) and for loading.
constexpr int32_t RECORD_CAPACITY = 4096;

sd_rec_entry record[RECORD_CAPACITY];

// Prints the recorded calls and forgets them.
void flush_record(FILE* out) {
  char line[128];
  for (int32_t i = 0; i < sd_rec_count; i++) {
    const size_t n = sd_rec_format(record[i], line, sizeof line - 1);
    line[n] = '\n';
    std::fwrite(line, 1, n + 1, out);
  }
  sd_rec_clear();
}

}  // namespace

int zapmod_trace(const zapmod_args& args) {
  const char* path = args.in;
  const int64_t ticks = args.ticks;

  std::vector<uint8_t> buf;
  int32_t size = 0;
  if (!zapmod_read(path, buf, size)) return 1;

  static char outbuf[1 << 16];
  std::setvbuf(stdout, outbuf, _IOFBF, sizeof outbuf);

  // The same steps as the music front end's mzx_get, with the recorder in place
  // of a sound output. The random waveform is drawn from the C library's
  // default sequence, as at the start of the demo.
  sd_rec_install(record, RECORD_CAPACITY);
  std::srand(1);
  pt_songpos = 0;
  pt_rowcount = 0;
  const int32_t ok = pt_takemod(buf.data(), size);
  flush_record(stdout);
  if (!ok) {
    std::printf("error %s\n", pt_errorstr);
    std::fflush(stdout);
    return 1;
  }
  zapmod_warn_cut(args.in);
  pt_init();

  for (int64_t k = 0; k < ticks; k++) {
    std::printf("tick %lld\n", static_cast<long long>(k));
    pt_play();
    update_sample_trig_times();
    flush_record(stdout);
    std::printf("pos %d %d\n", static_cast<int>(mzx_position()), static_cast<int>(pt_vbcount));
  }
  return 0;  // a lost write fails in main
}
