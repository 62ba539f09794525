// Score reader of modcompose (see score.h for what it owns, and the top of
// data/music/da_plim.score for the format).
//
// The text is read line by line. Each line is cut into tokens: runs of
// printable characters split by blanks, with ';' a token of its own, a
// "quoted string" one token and '#' starting a comment where a token could
// start (inside a token it is a sharp: F#2). Tracks are kept as
// lists of events with their note numbers (C4 = 60) until a pattern places
// them, so that a transposition can be checked against the voice's range
// where it is asked for. Any error ends the reading at once: it is thrown as
// a score_failure and caught in score_read, which turns it into the message.
#include "score.h"

#include <algorithm>
#include <map>
#include <string>

#include "voices.h"

namespace {

// ---- Constants ----------------------------------------------------------------

constexpr size_t TITLE_MAX = 20;       // the module's title field
constexpr size_t SAMPLE_NAME_MAX = 22; // the module's sample name field
constexpr size_t NAME_MAX = 40;        // tracks, patterns and channels
constexpr int32_t CHORD_NOTES_MAX = 6;
constexpr int32_t CHORD_SPAN_MAX = 36; // semitones above the root
constexpr int32_t TRANSPOSE_MAX = 48;
constexpr int32_t REPEAT_MAX = 64;
constexpr int32_t NO_VALUE = -1;

// ---- Types --------------------------------------------------------------------

struct token {
  std::string_view text;
  int32_t col;  // 1-based column of the first character
};

struct score_failure {
  int32_t line;
  int32_t col;
  std::string what;
};

// One cell of a track, before it is placed in a pattern.
struct event {
  int32_t row;
  int32_t note;        // note number, or NO_VALUE
  int32_t instrument;  // index into the song's instruments, or NO_VALUE
  bool bare;           // a note written without its instrument: the module cell names no sample
  int32_t effect;      // effect * 256 + parameter, or NO_VALUE
  int32_t line;        // where the note was written, for the range message of a transposition
};

struct track {
  int32_t length;
  std::vector<event> events;  // in row order
  int32_t last_instrument;    // while reading: the instrument a bare note is played on
};

// A use of a track: its name, transposition, instrument and repeat count, or a rest.
struct track_ref {
  const track* t;      // null for a rest
  int32_t rest;        // rows of a rest
  int32_t transpose;   // semitones
  int32_t instrument;  // plays every note of the track on this instrument, or NO_VALUE
  int32_t repeat;
  token at;
};

struct reader {
  score_song* song;
  int32_t line = 0;
  std::map<std::string, track, std::less<>> tracks;
  std::map<std::string, std::vector<score_cell>, std::less<>> patterns;
  std::map<std::string, int32_t, std::less<>> pattern_numbers;  // module number of each pattern used
};

// ---- Private helpers ------------------------------------------------------------

[[noreturn]] void fail(const reader& r, int32_t col, std::string what) { throw score_failure{r.line, col, std::move(what)}; }

[[noreturn]] void expected(const reader& r, const std::vector<token>& toks, size_t i, std::string_view what,
                           int32_t end_col) {
  if (i >= toks.size()) fail(r, end_col, "expected " + std::string(what) + ", found the end of the line");
  fail(r, toks[i].col, "expected " + std::string(what) + ", found '" + std::string(toks[i].text) + "'");
}

bool is_digit(char c) { return c >= '0' && c <= '9'; }
bool is_lower(char c) { return c >= 'a' && c <= 'z'; }

// Cuts one line into tokens; end_col is the column just past its last character.
std::vector<token> tokenize(const reader& r, std::string_view s, int32_t& end_col) {
  std::vector<token> toks;
  size_t i = 0;
  while (i < s.size()) {
    const char c = s[i];
    if (c == ' ' || c == '\t' || c == '\r') {
      i++;
    } else if (c == '#') {
      break;
    } else if (c == ';') {
      toks.push_back({s.substr(i, 1), static_cast<int32_t>(i + 1)});
      i++;
    } else if (c == '"') {
      const size_t close = s.find('"', i + 1);
      if (close == std::string_view::npos) fail(r, static_cast<int32_t>(i + 1), "expected a closing '\"'");
      for (size_t k = i + 1; k < close; k++)
        if (s[k] < 32 || s[k] > 126) fail(r, static_cast<int32_t>(k + 1), "expected printable ASCII text");
      toks.push_back({s.substr(i, close + 1 - i), static_cast<int32_t>(i + 1)});
      i = close + 1;
    } else if (c < 32 || c > 126) {
      fail(r, static_cast<int32_t>(i + 1), "expected printable ASCII text");
    } else {
      const size_t start = i;
      while (i < s.size() && s[i] > 32 && s[i] < 127 && s[i] != ';' && s[i] != '"') i++;
      toks.push_back({s.substr(start, i - start), static_cast<int32_t>(start + 1)});
    }
  }
  // Comments are free text: what follows a '#' is not looked at.
  end_col = static_cast<int32_t>(s.size() + 1);
  return toks;
}

// A whole decimal number lo..hi, or NO_VALUE when the text is not one.
int32_t parse_int(std::string_view s, int32_t lo, int32_t hi) {
  if (s.empty() || s.size() > 6) return NO_VALUE;
  int32_t v = 0;
  for (char c : s) {
    if (!is_digit(c)) return NO_VALUE;
    v = v * 10 + (c - '0');
  }
  return v >= lo && v <= hi ? v : NO_VALUE;
}

int32_t need_int(const reader& r, const std::vector<token>& toks, size_t i, int32_t lo, int32_t hi,
                 std::string_view what, int32_t end_col) {
  const int32_t v = i < toks.size() ? parse_int(toks[i].text, lo, hi) : NO_VALUE;
  if (v == NO_VALUE)
    expected(r, toks, i, std::string(what) + " from " + std::to_string(lo) + " to " + std::to_string(hi), end_col);
  return v;
}

bool is_name(std::string_view s) {
  if (s.empty() || !is_lower(s[0])) return false;
  for (char c : s)
    if (!is_lower(c) && !is_digit(c) && c != '_') return false;
  return true;
}

// "v" and digits: a volume, which no name may look like.
bool is_volume(std::string_view s) {
  if (s.size() < 2 || s[0] != 'v') return false;
  for (size_t i = 1; i < s.size(); i++)
    if (!is_digit(s[i])) return false;
  return true;
}

std::string_view need_name(const reader& r, const std::vector<token>& toks, size_t i, std::string_view what,
                           size_t max, int32_t end_col) {
  if (i >= toks.size() || !is_name(toks[i].text))
    expected(r, toks, i, std::string(what) + " (lower-case letters, digits and '_')", end_col);
  const std::string_view s = toks[i].text;
  if (s.size() > max) fail(r, toks[i].col, "expected a name of at most " + std::to_string(max) + " characters");
  if (s == "off" || s == "end" || is_volume(s)) fail(r, toks[i].col, "expected a name, found the keyword '" + std::string(s) + "'");
  return s;
}

void need_end_of_line(const reader& r, const std::vector<token>& toks, size_t i, int32_t end_col) {
  if (i < toks.size()) expected(r, toks, i, "the end of the line", end_col);
}

// Note names: letter, then '-', '#' or 'b', then the octave digit: C-4 is 60.
int32_t parse_note(std::string_view s) {
  static constexpr int32_t k_letter[7] = {9, 11, 0, 2, 4, 5, 7};  // A B C D E F G
  if (s.size() != 3 || s[0] < 'A' || s[0] > 'G' || !is_digit(s[2])) return NO_VALUE;
  int32_t n = k_letter[s[0] - 'A'] + 12 * (s[2] - '0' + 1);
  if (s[1] == '#') {
    n++;
  } else if (s[1] == 'b') {
    n--;
  } else if (s[1] != '-') {
    return NO_VALUE;
  }
  return n;
}

std::string note_name(int32_t n) {
  static constexpr const char* k_names[12] = {"C-", "C#", "D-", "D#", "E-", "F-", "F#", "G-", "G#", "A-", "A#", "B-"};
  if (n < 0) return "?";
  return std::string(k_names[n % 12]) + std::to_string(n / 12 - 1);
}

std::string range_text(const score_instrument& ins) {
  const int32_t low = 12 * (ins.octave + 1);
  return "'" + ins.name + "' (" + note_name(low) + ".." + note_name(low + MODULE_NOTES - 1) + ")";
}

// Three upper-case hexadecimal digits: effect and parameter.
int32_t parse_effect(std::string_view s) {
  if (s.size() != 3) return NO_VALUE;
  int32_t v = 0;
  for (char c : s) {
    if (is_digit(c)) {
      v = v * 16 + (c - '0');
    } else if (c >= 'A' && c <= 'F') {
      v = v * 16 + (c - 'A' + 10);
    } else {
      return NO_VALUE;
    }
  }
  return v;
}

int32_t find_instrument(const score_song& song, std::string_view name) {
  for (size_t i = 0; i < song.instruments.size(); i++)
    if (song.instruments[i].name == name) return static_cast<int32_t>(i);
  return NO_VALUE;
}

// ---- Directives -----------------------------------------------------------------------

void read_title(reader& r, const std::vector<token>& toks, int32_t end_col) {
  if (toks.size() < 2 || toks[1].text.size() < 2 || toks[1].text[0] != '"')
    expected(r, toks, 1, "a title in double quotes", end_col);
  const std::string_view t = toks[1].text.substr(1, toks[1].text.size() - 2);
  if (t.size() > TITLE_MAX) fail(r, toks[1].col, "expected a title of at most 20 characters");
  need_end_of_line(r, toks, 2, end_col);
  r.song->title = std::string(t);
}

void read_channels(reader& r, const std::vector<token>& toks, int32_t end_col) {
  if (!r.song->channels.empty()) fail(r, toks[0].col, "expected one 'channels' line only");
  for (size_t i = 1; i < toks.size(); i++) {
    const std::string_view n = need_name(r, toks, i, "a channel name", NAME_MAX, end_col);
    if (std::find(r.song->channels.begin(), r.song->channels.end(), n) != r.song->channels.end())
      fail(r, toks[i].col, "expected a new channel name, found '" + std::string(n) + "' again");
    r.song->channels.emplace_back(n);
  }
  const size_t count = r.song->channels.size();
  if (count != 4 && count != 6 && count != 8) {
    fail(r, toks.size() > 1 ? toks[1].col : end_col,
         "expected 4, 6 or 8 channel names, found " + std::to_string(count));
  }
}

void read_instrument(reader& r, const std::vector<token>& toks, int32_t end_col) {
  score_song& song = *r.song;
  const std::string_view name = need_name(r, toks, 1, "an instrument name", SAMPLE_NAME_MAX, end_col);
  if (find_instrument(song, name) != NO_VALUE) fail(r, toks[1].col, "expected a new instrument name, found '" + std::string(name) + "' again");
  if (song.instruments.size() >= static_cast<size_t>(SCORE_INSTRUMENTS)) fail(r, toks[0].col, "expected at most 31 instruments");
  score_instrument ins;
  ins.name = std::string(name);
  if (toks.size() < 3) expected(r, toks, 2, "a voice name", end_col);
  ins.voice = voice_find(toks[2].text);
  if (ins.voice < 0) {
    std::string list;
    for (const voice_info& v : voice_table) list += (list.empty() ? "" : ", ") + std::string(v.name);
    fail(r, toks[2].col, "expected a voice (" + list + "), found '" + std::string(toks[2].text) + "'");
  }
  const voice_info& voice = voice_table[static_cast<size_t>(ins.voice)];
  ins.octave = voice.octave;
  for (size_t i = 3; i < toks.size(); i += 2) {
    const std::string_view opt = toks[i].text;
    if (opt == "volume") {
      ins.volume = need_int(r, toks, i + 1, 0, 64, "a volume", end_col);
    } else if (opt == "octave") {
      ins.octave = need_int(r, toks, i + 1, 0, 6, "an octave", end_col);
    } else if (opt == "chord") {
      if (!voice.chords) fail(r, toks[i].col, "expected 'volume' or 'octave': voice '" + std::string(voice.name) + "' plays no chords");
      if (i + 1 >= toks.size()) expected(r, toks, i + 1, "semitones such as 0,3,7,10", end_col);
      std::string_view list = toks[i + 1].text;
      while (true) {
        const size_t comma = list.find(',');
        const int32_t s = parse_int(list.substr(0, comma), 0, CHORD_SPAN_MAX);
        if (s == NO_VALUE) fail(r, toks[i + 1].col, "expected semitones from 0 to 36 parted by commas, such as 0,3,7,10");
        ins.chord.push_back(s);
        if (comma == std::string_view::npos) break;
        list.remove_prefix(comma + 1);
      }
      if (ins.chord.size() > static_cast<size_t>(CHORD_NOTES_MAX)) fail(r, toks[i + 1].col, "expected at most 6 chord notes");
    } else {
      expected(r, toks, i, voice.chords ? "'volume', 'octave' or 'chord'" : "'volume' or 'octave'", end_col);
    }
  }
  song.instruments.push_back(std::move(ins));
}

// Checks that the instrument can play note n, written at col.
void check_range(const reader& r, const score_instrument& ins, int32_t n, int32_t col) {
  if (module_note(ins.octave, n) < 0)
    fail(r, col, "expected a note in the range of " + range_text(ins) + ", found " + note_name(n));
}

// One cell of a track row: the tokens from i up to ';' or the end of the line.
size_t read_cell(reader& r, const std::vector<token>& toks, size_t i, int32_t end_col, track& t) {
  event e{NO_VALUE, NO_VALUE, NO_VALUE, false, NO_VALUE, r.line};
  e.row = need_int(r, toks, i, 0, t.length - 1, "a row number", end_col);
  const int32_t row_col = toks[i].col;
  i++;
  int32_t note_col = 0;
  bool any = false;
  for (; i < toks.size() && toks[i].text != ";"; i++) {
    const token& k = toks[i];
    const int32_t n = parse_note(k.text);
    int32_t fx = parse_effect(k.text);
    if (n != NO_VALUE) {
      if (e.note != NO_VALUE) fail(r, k.col, "expected one note per cell");
      if (e.instrument != NO_VALUE || e.effect != NO_VALUE) fail(r, k.col, "expected the note first in its cell");
      e.note = n;
      note_col = k.col;
    } else if (k.text == "off") {
      fx = 0xC00;
    } else if (is_volume(k.text)) {
      const int32_t v = parse_int(k.text.substr(1), 0, 64);
      if (v == NO_VALUE) fail(r, k.col, "expected a volume from v0 to v64");
      fx = 0xC00 + v;
    } else if (fx != NO_VALUE) {
      // three hex digits: effect and parameter
    } else if (is_name(k.text)) {
      if (e.instrument != NO_VALUE) fail(r, k.col, "expected one instrument per cell");
      if (e.effect != NO_VALUE) fail(r, k.col, "expected the instrument before the effect");
      e.instrument = find_instrument(*r.song, k.text);
      if (e.instrument == NO_VALUE) fail(r, k.col, "expected an instrument, found '" + std::string(k.text) + "', which is not one");
    } else {
      fail(r, k.col, "expected a note (such as C-4 or F#2), an instrument, an effect (three hex digits), a volume (v0..v64), 'off' or ';', found '" + std::string(k.text) + "'");
    }
    if (fx != NO_VALUE) {
      if (e.effect != NO_VALUE) fail(r, k.col, "expected one effect per cell");
      e.effect = fx;
    }
    any = true;
  }
  if (!any) fail(r, row_col, "expected a note, an instrument or an effect after the row number");
  if (e.instrument != NO_VALUE) t.last_instrument = e.instrument;
  if (e.note != NO_VALUE) {
    // A note alone keeps the channel's sample and volume, as in a tracker; the
    // track's last named instrument says which register it is written in.
    if (e.instrument == NO_VALUE) {
      if (t.last_instrument == NO_VALUE) fail(r, note_col, "expected an instrument after the note (no earlier cell of this track names one)");
      e.instrument = t.last_instrument;
      e.bare = true;
    }
    check_range(r, r.song->instruments[static_cast<size_t>(e.instrument)], e.note, note_col);
  }
  for (const event& o : t.events)
    if (o.row == e.row) fail(r, row_col, "expected a row not given yet, found row " + std::to_string(e.row) + " again");
  t.events.push_back(e);
  return i;
}

// A track reference: name[+n|-n][@instrument][*count], or a rest _rows[*count].
track_ref read_ref(const reader& r, const token& k) {
  track_ref ref{nullptr, 0, 0, NO_VALUE, 1, k};
  std::string_view s = k.text;
  const size_t star = s.find('*');
  if (star != std::string_view::npos) {
    ref.repeat = parse_int(s.substr(star + 1), 1, REPEAT_MAX);
    if (ref.repeat == NO_VALUE) fail(r, k.col + static_cast<int32_t>(star) + 1, "expected a repeat count from 1 to 64 after '*'");
    s = s.substr(0, star);
  }
  const size_t at = s.find('@');
  if (at != std::string_view::npos) {
    ref.instrument = find_instrument(*r.song, s.substr(at + 1));
    if (ref.instrument == NO_VALUE)
      fail(r, k.col + static_cast<int32_t>(at) + 1, "expected an instrument after '@', found '" + std::string(s.substr(at + 1)) + "'");
    s = s.substr(0, at);
  }
  if (!s.empty() && s[0] == '_') {
    ref.rest = parse_int(s.substr(1), 1, SCORE_ROWS);
    if (ref.rest == NO_VALUE) fail(r, k.col, "expected a rest of 1 to 64 rows, such as _16");
    return ref;
  }
  const size_t sign = s.find_first_of("+-");
  if (sign != std::string_view::npos) {
    const int32_t t = parse_int(s.substr(sign + 1), 0, TRANSPOSE_MAX);
    if (t == NO_VALUE) fail(r, k.col + static_cast<int32_t>(sign) + 1, "expected a transposition from 0 to 48 semitones after the sign");
    ref.transpose = s[sign] == '+' ? t : -t;
    s = s.substr(0, sign);
  }
  const auto it = r.tracks.find(s);
  if (!is_name(s) || it == r.tracks.end())
    fail(r, k.col, "expected a track defined above, found '" + std::string(s) + "'");
  ref.t = &it->second;
  return ref;
}

int32_t ref_length(const track_ref& ref) { return (ref.t ? ref.t->length : ref.rest) * ref.repeat; }

// Appends the events of ref to out, starting at row offset, transposed,
// moved to the ref's instrument and checked.
void place_ref(const reader& r, const track_ref& ref, int32_t offset, std::vector<event>& out) {
  if (!ref.t) return;
  for (int32_t k = 0; k < ref.repeat; k++) {
    for (event e : ref.t->events) {
      e.row += offset + k * ref.t->length;
      if (e.instrument != NO_VALUE && ref.instrument != NO_VALUE) e.instrument = ref.instrument;
      if (e.note != NO_VALUE) {
        e.note += ref.transpose;
        const score_instrument& ins = r.song->instruments[static_cast<size_t>(e.instrument)];
        if (module_note(ins.octave, e.note) < 0)
          fail(r, ref.at.col, "expected a transposition and instrument that keep line " + std::to_string(e.line) +
                                  " in the range of " + range_text(ins) + ", found " + note_name(e.note));
      }
      out.push_back(e);
    }
  }
}

void read_track_line(reader& r, const std::vector<token>& toks, int32_t end_col, track& t) {
  size_t i = 0;
  while (true) {
    i = read_cell(r, toks, i, end_col, t);
    if (i >= toks.size()) return;
    i++;  // the ';'
    if (i >= toks.size()) expected(r, toks, i, "a row number after ';'", end_col);
  }
}

// "track NAME = refs": the tracks one after the other.
void read_joined_track(reader& r, const std::vector<token>& toks, std::string_view name, int32_t end_col) {
  track t{0, {}, NO_VALUE};
  if (toks.size() < 4) expected(r, toks, 3, "a track name", end_col);
  for (size_t i = 3; i < toks.size(); i++) {
    const track_ref ref = read_ref(r, toks[i]);
    place_ref(r, ref, t.length, t.events);
    t.length += ref_length(ref);
    if (t.length > SCORE_ROWS) fail(r, toks[i].col, "expected at most 64 rows in a track, found " + std::to_string(t.length));
  }
  r.tracks.emplace(std::string(name), std::move(t));
}

score_cell make_cell(const score_song& song, const event& e) {
  score_cell c{0, 0, 0, 0};
  if (e.instrument != NO_VALUE) {
    const score_instrument& ins = song.instruments[static_cast<size_t>(e.instrument)];
    c.instrument = e.bare ? 0 : static_cast<uint8_t>(e.instrument + 1);
    const int32_t n = e.note != NO_VALUE ? e.note : instrument_default_note(ins);
    c.note = static_cast<uint8_t>(module_note(ins.octave, n) + 1);
  }
  if (e.effect != NO_VALUE) {
    c.effect = static_cast<uint8_t>(e.effect >> 8);
    c.param = static_cast<uint8_t>(e.effect & 0xFF);
  }
  return c;
}

// One channel line of a pattern: the channel's tracks, repeated to fill 64 rows.
void read_pattern_line(reader& r, const std::vector<token>& toks, int32_t end_col, std::vector<score_cell>& cells,
                       std::vector<bool>& seen) {
  const std::vector<std::string>& ch = r.song->channels;
  const auto it = std::find(ch.begin(), ch.end(), toks[0].text);
  if (it == ch.end()) expected(r, toks, 0, "a channel name or 'end'", end_col);
  const size_t c = static_cast<size_t>(it - ch.begin());
  if (seen[c]) fail(r, toks[0].col, "expected each channel once in a pattern, found '" + std::string(toks[0].text) + "' again");
  seen[c] = true;
  if (toks.size() < 2) expected(r, toks, 1, "a track name", end_col);
  std::vector<track_ref> refs;
  int32_t length = 0;
  for (size_t i = 1; i < toks.size(); i++) {
    refs.push_back(read_ref(r, toks[i]));
    length += ref_length(refs.back());
    if (length > SCORE_ROWS) fail(r, toks[i].col, "expected at most 64 rows on a channel, found " + std::to_string(length));
  }
  if (SCORE_ROWS % length != 0)
    fail(r, toks[1].col, "expected tracks lasting a divisor of 64 rows, found " + std::to_string(length));
  std::vector<event> events;
  for (int32_t start = 0; start < SCORE_ROWS; start += length) {
    int32_t offset = start;
    for (const track_ref& ref : refs) {
      place_ref(r, ref, offset, events);
      offset += ref_length(ref);
    }
  }
  for (const event& e : events)
    cells[static_cast<size_t>(e.row) * ch.size() + c] = make_cell(*r.song, e);
}

void read_order(reader& r, const std::vector<token>& toks, int32_t end_col) {
  score_song& song = *r.song;
  if (toks.size() < 2) expected(r, toks, 1, "a pattern name", end_col);
  for (size_t i = 1; i < toks.size(); i++) {
    std::string_view s = toks[i].text;
    int32_t count = 1;
    const size_t star = s.find('*');
    if (star != std::string_view::npos) {
      count = parse_int(s.substr(star + 1), 1, SCORE_ORDERS);
      if (count == NO_VALUE) fail(r, toks[i].col + static_cast<int32_t>(star) + 1, "expected a repeat count from 1 to 128 after '*'");
      s = s.substr(0, star);
    }
    const auto it = r.patterns.find(s);
    if (it == r.patterns.end()) fail(r, toks[i].col, "expected a pattern defined above, found '" + std::string(s) + "'");
    auto num = r.pattern_numbers.find(s);
    if (num == r.pattern_numbers.end()) {
      if (song.patterns.size() >= static_cast<size_t>(SCORE_PATTERNS)) fail(r, toks[i].col, "expected at most 64 different patterns in the order list");
      num = r.pattern_numbers.emplace(std::string(s), static_cast<int32_t>(song.patterns.size())).first;
      song.patterns.push_back(it->second);
      song.pattern_names.emplace_back(s);
    }
    for (int32_t k = 0; k < count; k++) {
      if (song.order.size() >= static_cast<size_t>(SCORE_ORDERS)) fail(r, toks[i].col, "expected at most 128 order entries");
      song.order.push_back(static_cast<uint8_t>(num->second));
    }
  }
}

}  // namespace

// ---- Public functions -------------------------------------------------------------------

bool score_read(std::string_view text, std::string_view file, score_song& song, std::string& error) {
  song = score_song{};
  reader r;
  r.song = &song;
  enum { TOP, IN_TRACK, IN_PATTERN } state = TOP;
  track* cur_track = nullptr;
  std::string block_name;
  int32_t block_line = 0;
  std::vector<score_cell> cells;
  std::vector<bool> seen;
  try {
    size_t pos = 0;
    while (pos < text.size()) {
      size_t eol = text.find('\n', pos);
      if (eol == std::string_view::npos) eol = text.size();
      r.line++;
      int32_t end_col = 0;
      const std::vector<token> toks = tokenize(r, text.substr(pos, eol - pos), end_col);
      pos = eol + 1;
      if (toks.empty()) continue;
      const std::string_view word = toks[0].text;
      if (state != TOP && word == "end") {
        need_end_of_line(r, toks, 1, end_col);
        if (state == IN_PATTERN) r.patterns.emplace(block_name, std::move(cells));
        if (state == IN_TRACK) std::sort(cur_track->events.begin(), cur_track->events.end(), [](const event& a, const event& b) { return a.row < b.row; });
        state = TOP;
      } else if (state != TOP && (word == "title" || word == "channels" || word == "instrument" || word == "track" ||
                                  word == "pattern" || word == "order")) {
        fail(r, toks[0].col, "expected 'end' to close " + std::string(state == IN_TRACK ? "track '" : "pattern '") +
                                 block_name + "', found '" + std::string(word) + "'");
      } else if (state == IN_TRACK) {
        read_track_line(r, toks, end_col, *cur_track);
      } else if (state == IN_PATTERN) {
        read_pattern_line(r, toks, end_col, cells, seen);
      } else if (word == "title") {
        read_title(r, toks, end_col);
      } else if (word == "channels") {
        read_channels(r, toks, end_col);
      } else if (word == "instrument") {
        read_instrument(r, toks, end_col);
      } else if (word == "track") {
        const std::string_view name = need_name(r, toks, 1, "a track name", NAME_MAX, end_col);
        if (r.tracks.count(name)) fail(r, toks[1].col, "expected a new track name, found '" + std::string(name) + "' again");
        if (toks.size() > 2 && toks[2].text == "=") {
          read_joined_track(r, toks, name, end_col);
        } else {
          const int32_t length = need_int(r, toks, 2, 1, SCORE_ROWS, "a length in rows or '='", end_col);
          need_end_of_line(r, toks, 3, end_col);
          cur_track = &r.tracks.emplace(std::string(name), track{length, {}, NO_VALUE}).first->second;
          state = IN_TRACK;
          block_name = std::string(name);
          block_line = r.line;
        }
      } else if (word == "pattern") {
        if (song.channels.empty()) fail(r, toks[0].col, "expected a 'channels' line before the first pattern");
        const std::string_view name = need_name(r, toks, 1, "a pattern name", NAME_MAX, end_col);
        if (r.patterns.count(name)) fail(r, toks[1].col, "expected a new pattern name, found '" + std::string(name) + "' again");
        need_end_of_line(r, toks, 2, end_col);
        cells.assign(static_cast<size_t>(SCORE_ROWS) * song.channels.size(), score_cell{0, 0, 0, 0});
        seen.assign(song.channels.size(), false);
        state = IN_PATTERN;
        block_name = std::string(name);
        block_line = r.line;
      } else if (word == "order") {
        read_order(r, toks, end_col);
      } else {
        expected(r, toks, 0, "'title', 'channels', 'instrument', 'track', 'pattern' or 'order'", end_col);
      }
    }
    if (state != TOP) {
      r.line = block_line;
      fail(r, 1, "expected 'end' to close " + std::string(state == IN_TRACK ? "track '" : "pattern '") + block_name + "'");
    }
    r.line++;
    if (song.channels.empty()) fail(r, 1, "expected a 'channels' line somewhere in the score");
    if (song.order.empty()) fail(r, 1, "expected an 'order' line somewhere in the score");
  } catch (const score_failure& f) {
    error = std::string(file) + ":" + std::to_string(f.line) + ":" + std::to_string(f.col) + ": " + f.what;
    return false;
  }
  return true;
}

int32_t instrument_default_note(const score_instrument& ins) {
  const voice_info& v = voice_table[static_cast<size_t>(ins.voice)];
  return v.note + 12 * (ins.octave - v.octave);
}
