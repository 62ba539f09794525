// What every command-line tool shares: its name in messages, the exit path,
// -h/--help and --version, and the clean-up of temporary files on Ctrl-C.
//
// Conventions, the same in every tool (and, for the command line, the same
// as the demo's: src/sys/cli.h):
//   messages      "TOOL: reason" or, inside a subcommand, "TOOL SUB: reason",
//                 one line on standard error; a file's name comes first:
//                 "TOOL SUB: PATH: reason"
//   exit status   0 done, 1 failed (nothing half-written is left behind),
//                 2 a usage error (the message, then "Try 'TOOL[ SUB]
//                 --help'." on standard error), 130 stopped by Ctrl-C (128 +
//                 the signal)
//   -h, --help    the usage on standard output, exit 0 (every subcommand),
//                 wherever the word stands and whatever else is on the line
//   --version     "TOOL (Zap Cobbles) VERSION" on standard output, exit 0,
//                 likewise; the first of the two decides
//   numbers       read by src/sys/num.h
#pragma once

#include <signal.h>

#include <cstdint>
#include <string>

#include "sys/cli.h"

// Starts a tool: its name for messages, the umask for the files it makes,
// and the handlers that remove its temporary files when SIGINT or SIGTERM
// ends it (exit status 128 + the signal). A signal the tool was started with
// ignored stays ignored.
void tool_begin(const char* name);
// Inside a subcommand: messages read "TOOL SUB: ...".
void tool_sub(const char* sub);
// "TOOL" or "TOOL SUB".
const char* tool_prefix();
// The tool's name alone.
const char* tool_name();

// Prints "PREFIX: message" and a newline on standard error.
void tool_error(const char* format, ...) __attribute__((format(printf, 1, 2)));

// "PREFIX: what" and "Try 'PREFIX --help'." (cli_usage_error): the message
// of a usage error, which the tools' parsers hand back and main prints
// before exiting with 2.
std::string tool_usage_message(const char* prefix, const std::string& what);

// The one exit path: standard output must have taken everything written to
// it (a full disk, a closed pipe fail the run). Returns status, or 1 after
// "PREFIX: standard output: write error: reason" when status was 0.
int tool_finish(int status);
// Prints text on standard output; tool_finish(0).
int tool_help(const char* text);
// Prints "TOOL (Zap Cobbles) VERSION"; tool_finish(0).
int tool_version();
// Prints message (a parser's usage error) on standard error; returns 2.
int tool_usage_exit(const std::string& message);

// Temporary files and directories that a signal must not leave behind. A
// slot is added before the file is made and dropped once it is gone or has
// become the real output; the handler unlinks files and removes directories
// (empty by then: their files are registered after them) in reverse order.
// -1 when every slot is taken (the file is then not cleaned up on a signal).
int tool_temp_add(const char* path, bool directory);
void tool_temp_drop(int slot);
// Holds the signals that end a tool (SIGINT, SIGTERM) for its
// lifetime: a temporary file made and registered inside one is never left
// behind by a signal that comes between the two (it is handled at the end).
struct tool_signal_hold {
  sigset_t old;
  tool_signal_hold();
  ~tool_signal_hold();
  tool_signal_hold(const tool_signal_hold&) = delete;
  tool_signal_hold& operator=(const tool_signal_hold&) = delete;
};
// A child process (ffmpeg) that a signal ends too, before the temporary
// files go (it would write on into them); 0 forgets it.
void tool_child(int pid);

// The file mode bits a new file gets: 0666 less the umask.
uint32_t tool_file_mode();

// ---- Tools with subcommands -------------------------------------------------------

// A subcommand: its name and its usage (for its usage errors and its --help).
struct tool_subcommand {
  const char* name;
  const char* usage;
};

// Reads the command line of a tool with subcommands and returns the index in
// subs of the subcommand named by argv[1], or -1. First -h, --help and
// --version, wherever they stand (cli_wants; the first decides): version
// true, or help = the usage of the subcommand argv[1] names, or the tool's
// when it names none. Then no argument or an unknown command: message set
// ("TOOL: a command is needed" / "TOOL: unknown command 'X'" and the line
// that points to the help). Touches no global state, like the parsers that
// call it.
int tool_pick(int argc, char** argv, const char* tool, const tool_subcommand* subs, int count, const char* usage,
              const char*& help, bool& version, std::string& message);

// The entry of a tool whose parser fills an Args with `help` (the usage
// asked for, or null) and `version`: parse (false: the message, exit 2),
// then the help, the version, or run under the name "TOOL SUB" (argv[1]),
// through the one exit path.
template <typename Args>
int tool_main(const char* name, int argc, char** argv, bool (*parse)(int, char**, Args&, std::string&),
              int (*run)(const Args&)) {
  tool_begin(name);
  Args args;
  std::string message;
  if (!parse(argc, argv, args, message)) return tool_usage_exit(message);
  if (args.help) return tool_help(args.help);
  if (args.version) return tool_version();
  tool_sub(argv[1]);
  return tool_finish(run(args));
}
