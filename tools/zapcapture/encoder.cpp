// The video through Debian's ffmpeg, a tool found at run time, never a build
// dependency. Two steps, so that nothing can wait on anything else: while the
// demo runs, raw RGB frames go down one pipe into an ffmpeg that encodes
// H.264 into a temporary file (the sound goes to a WAV meanwhile); at the end a
// second ffmpeg muxes that video with the WAV, encoded as AAC, into a
// temporary file beside the output, which then becomes the output: a failed
// or interrupted mux leaves an older file of that name as it was. Owns the
// child process, its pipe and the temporary files.
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "common/tool.h"
#include "zapcapture.h"

extern char** environ;

namespace {

constexpr const char* k_ffmpeg = "ffmpeg";

pid_t g_child = -1;
int g_pipe = -1;  // ffmpeg's standard input
std::string g_out;
std::string g_tmpdir;
std::string g_video;  // the H.264 file of the first step
bool g_created = false;  // the output did not exist before: a failed run removes it
// Their entries among the files a signal removes (common/tool.h): the output
// while it is this run's empty probe, the directory and the two files in it.
int g_out_slot = -1;
int g_dir_slot = -1;
int g_video_slot = -1;
int g_sound_slot = -1;

// Starts ffmpeg with args (argv[0] included); stdin_fd, if not -1, becomes its
// standard input. False with a message when it cannot be started.
bool spawn(const std::vector<std::string>& args, int stdin_fd, pid_t& pid) {
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t fa;
  posix_spawn_file_actions_init(&fa);
  if (stdin_fd >= 0) posix_spawn_file_actions_adddup2(&fa, stdin_fd, STDIN_FILENO);
  // zapcapture ignores SIGPIPE; ffmpeg gets the usual disposition back.
  posix_spawnattr_t attr;
  posix_spawnattr_init(&attr);
  sigset_t pipe_only;
  sigemptyset(&pipe_only);
  sigaddset(&pipe_only, SIGPIPE);
  posix_spawnattr_setsigdefault(&attr, &pipe_only);
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGDEF);
  const int rc = posix_spawnp(&pid, k_ffmpeg, &fa, &attr, argv.data(), environ);
  posix_spawnattr_destroy(&attr);
  posix_spawn_file_actions_destroy(&fa);
  if (rc == 0) return true;
  if (rc == ENOENT) {
    tool_error(
                 "%s: ffmpeg is needed for a video and is not installed (apt-get install ffmpeg); "
                 "--wav and --frames work without it",
                 g_out.c_str());
  } else {
    tool_error("%s: cannot start ffmpeg: %s", g_out.c_str(), std::strerror(rc));
  }
  return false;
}

// Waits for pid; true when it exited with status 0, else a message.
bool reap(pid_t pid, const char* step) {
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) {
      tool_error("%s: ffmpeg (%s) lost: %s", g_out.c_str(), step, std::strerror(errno));
      return false;
    }
  }
  if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return true;
  if (WIFEXITED(status)) {
    tool_error("%s: ffmpeg (%s) failed with exit status %d", g_out.c_str(), step,
                 WEXITSTATUS(status));
  } else {
    tool_error("%s: ffmpeg (%s) ended by signal %d", g_out.c_str(), step,
                 WIFSIGNALED(status) ? WTERMSIG(status) : 0);
  }
  return false;
}

// After a failure: the output, if this run made it, and the temporary files.
void remove_made() {
  if (g_created) unlink(g_out.c_str());
  g_created = false;
  tool_temp_drop(g_out_slot);
  g_out_slot = -1;
}

void remove_temporaries() {
  if (!g_video.empty()) unlink(g_video.c_str());
  if (!g_tmpdir.empty()) unlink(encoder_sound_path().c_str());
  if (!g_tmpdir.empty()) rmdir(g_tmpdir.c_str());
  g_video.clear();
  g_tmpdir.clear();
  for (int* slot : {&g_sound_slot, &g_video_slot, &g_dir_slot}) {
    tool_temp_drop(*slot);
    *slot = -1;
  }
}

}  // namespace

std::string encoder_sound_path() { return g_tmpdir + "/sound.wav"; }

bool encoder_open(const char* out, int w, int h, int scale, int fps) {
  g_out = out;
  // ffmpeg writes the output only at the end; an output that cannot be
  // written is told before the whole show has been encoded.
  g_out_slot = tool_temp_add(out, false);
  int probe = open(out, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  g_created = probe >= 0;
  if (!g_created) {
    tool_temp_drop(g_out_slot);
    g_out_slot = -1;
  }
  if (probe < 0 && errno == EEXIST) probe = open(out, O_WRONLY | O_CLOEXEC);
  if (probe < 0) {
    tool_error("%s: %s", out, std::strerror(errno));
    return false;
  }
  close(probe);
  const char* tmp = std::getenv("TMPDIR");
  std::string templ = std::string(tmp && *tmp ? tmp : "/tmp") + "/zapcapture-XXXXXX";
  std::vector<char> name(templ.begin(), templ.end());
  name.push_back('\0');
  bool made;
  {
    // Made and noted with the signals held, so that none comes between.
    const tool_signal_hold hold;
    made = mkdtemp(name.data()) != nullptr;
    if (made) g_dir_slot = tool_temp_add(name.data(), true);
  }
  if (!made) {
    tool_error("%s: cannot make a temporary directory: %s", templ.c_str(),
                 std::strerror(errno));
    remove_made();
    return false;
  }
  g_tmpdir = name.data();
  g_video = g_tmpdir + "/video.mp4";
  g_video_slot = tool_temp_add(g_video.c_str(), false);
  g_sound_slot = tool_temp_add(encoder_sound_path().c_str(), false);

  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) {
    tool_error("%s: cannot make a pipe: %s", out, std::strerror(errno));
    remove_made();
    remove_temporaries();
    return false;
  }
  // The screen goes down the pipe at its own size and ffmpeg scales it up:
  // a sixteenth of the bytes through the pipe and the colour conversion.
  // Nearest neighbour keeps the pixel art's blocks whole; at an even scale
  // the 4:2:0 chroma blocks fall inside them. x264's animation tuning keeps
  // the flat areas flat.
  const std::string size = std::to_string(w * scale) + ":" + std::to_string(h * scale);
  const std::vector<std::string> args = {
      k_ffmpeg, "-nostdin", "-hide_banner", "-loglevel", "error", "-y", "-f", "rawvideo", "-pix_fmt", "rgb24",
      "-video_size", std::to_string(w) + "x" + std::to_string(h), "-framerate", std::to_string(fps), "-i", "pipe:0",
      "-an", "-vf", "scale=" + size + ":flags=neighbor,format=yuv420p", "-c:v", "libx264", "-preset", "veryfast",
      "-tune", "animation", "-crf", "18", g_video};
  pid_t pid;
  const bool started = spawn(args, fds[0], pid);
  close(fds[0]);
  if (!started) {
    close(fds[1]);
    remove_made();
    remove_temporaries();
    return false;
  }
  g_child = pid;
  tool_child(pid);
  g_pipe = fds[1];
  return true;
}

bool encoder_frame(const uint8_t* rgb, size_t bytes) {
  while (bytes > 0) {
    const ssize_t n = write(g_pipe, rgb, bytes);
    if (n < 0) {
      if (errno == EINTR) continue;
      // EPIPE: ffmpeg has gone (its own message is above).
      tool_error("%s: ffmpeg stopped taking frames: %s", g_out.c_str(), std::strerror(errno));
      return false;
    }
    rgb += n;
    bytes -= static_cast<size_t>(n);
  }
  return true;
}

namespace {

// "DIR/.NAME.XXXXXX.EXT" beside the output, made empty and registered for a
// signal (with the signals held between the two); ffmpeg picks the container
// by the name's end. False after the message.
bool make_mux_temp(std::string& temp, int& slot) {
  const size_t slash = g_out.rfind('/');
  const std::string dir = slash == std::string::npos ? "" : g_out.substr(0, slash + 1);
  const std::string name = slash == std::string::npos ? g_out : g_out.substr(slash + 1);
  const size_t dot = name.rfind('.');
  const std::string ext = dot == std::string::npos ? "" : name.substr(dot);
  std::string pattern = dir + "." + name + ".XXXXXX" + ext;
  std::vector<char> t(pattern.begin(), pattern.end());
  t.push_back('\0');
  int fd;
  {
    const tool_signal_hold hold;
    fd = mkostemps(t.data(), static_cast<int>(ext.size()), O_CLOEXEC);
    if (fd >= 0) slot = tool_temp_add(t.data(), false);
  }
  if (fd < 0) {
    tool_error("%s: %s", g_out.c_str(), std::strerror(errno));
    return false;
  }
  fchmod(fd, static_cast<mode_t>(tool_file_mode()));
  close(fd);
  temp = t.data();
  return true;
}

}  // namespace

bool encoder_finish(const char* wav) {
  close(g_pipe);
  g_pipe = -1;
  const pid_t first = g_child;
  g_child = -1;
  tool_child(0);
  if (!reap(first, "video")) {
    remove_made();
    remove_temporaries();
    return false;
  }
  std::string temp;
  int temp_slot = -1;
  if (!make_mux_temp(temp, temp_slot)) {
    remove_made();
    remove_temporaries();
    return false;
  }
  const std::vector<std::string> args = {k_ffmpeg, "-nostdin", "-hide_banner", "-loglevel",  "error", "-y",
                                         "-i",     g_video,    "-i",           wav,          "-map",  "0:v:0",
                                         "-map",   "1:a:0",    "-c:v",         "copy",       "-c:a",  "aac",
                                         "-b:a",   "192k",     "-movflags",    "+faststart", temp};
  pid_t pid;
  bool ok = spawn(args, -1, pid);
  if (ok) {
    tool_child(pid);
    ok = reap(pid, "sound and muxing");
    tool_child(0);
  }
  remove_temporaries();
  if (ok && std::rename(temp.c_str(), g_out.c_str()) != 0) {
    tool_error("%s: %s", g_out.c_str(), std::strerror(errno));
    ok = false;
  }
  if (!ok) {
    unlink(temp.c_str());
    remove_made();  // the empty probe, if this run made it; an older output stays
  }
  tool_temp_drop(temp_slot);
  tool_temp_drop(g_out_slot);
  g_out_slot = -1;
  g_created = false;
  return ok;
}

void encoder_abort() {
  if (g_pipe >= 0) close(g_pipe);
  g_pipe = -1;
  if (g_child > 0) {
    int status;
    waitpid(g_child, &status, 0);  // it ends at the closed pipe
  }
  g_child = -1;
  tool_child(0);
  remove_made();
  remove_temporaries();
}
