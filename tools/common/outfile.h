// Output files of the tools, written so that a failure leaves nothing half
// written behind. A plain file (or a name not yet taken) is written to a
// temporary file beside it, which becomes the output only when every byte
// has reached it: a write error, an early return or Ctrl-C (tool.h) removes
// it and leaves an older file of that name as it was. Anything else given as
// the output (a device such as /dev/null, a pipe, a symbolic link), and a
// file whose directory takes no new file, is written in place and checked.
//
// Every failure is reported once, as "PREFIX: PATH: reason" (tool_error).
#pragma once

#include <cstddef>
#include <cstdio>
#include <memory>
#include <string>

struct out_file {
  std::FILE* f = nullptr;
  std::string path;  // the output
  std::string temp;  // the temporary file beside it; empty when written in place
  int slot = -1;     // its entry among the files a signal removes
  int error = 0;     // the first write's errno; 0 while every write went through
  std::unique_ptr<char[]> buffer;  // the stream's buffer (the C library would take one of a disk block)
  out_file() = default;
  out_file(const out_file&) = delete;
  out_file& operator=(const out_file&) = delete;
  ~out_file();  // an output not closed by out_close is abandoned (out_abandon)
};

// Opens path for writing (binary, 64 KiB buffer). False after the message.
bool out_open(out_file& o, const char* path);
// Writes bytes; a failure is kept for out_close, which reports it. False once
// any write has failed.
bool out_write(out_file& o, const void* data, size_t bytes);
// Writes a large block straight to the file, after what the stream holds:
// no copy through the stream's buffer (for blocks of tens of KiB).
bool out_write_block(out_file& o, const void* data, size_t bytes);
// Writes bytes at offset from the start (for headers completed last).
bool out_write_at(out_file& o, long offset, const void* data, size_t bytes);
// Keeps reason as the failure out_close reports (when none came before).
void out_fail(out_file& o, int err);
// Flushes and closes; the temporary file becomes path. False after the
// message "PATH: write error: reason", with the temporary file removed.
bool out_close(out_file& o);
// Closes and removes what was written, silently (the run failed elsewhere).
void out_abandon(out_file& o);

// The whole of a file in one call: open, write, close.
bool out_save(const char* path, const void* data, size_t bytes);
