// A skip that says why in plain ctest output. ctest shows a skipped test's
// own output only with -V, so a bare GTEST_SKIP or exit status 77 leaves a
// "***Skipped" without a reason. ZAP_SKIP(reason) skips the GoogleTest test
// and also writes "    NAME skipped: REASON" into ctest's own output (when
// ctest started the test; tests/support/skip.sh does the same for scripts).
#pragma once

#include <gtest/gtest.h>

#include <string>

// Writes the line for the current test when its parent is ctest; returns reason.
std::string zap_skip_note(const std::string& reason);

#define ZAP_SKIP(reason) GTEST_SKIP() << zap_skip_note(reason)
