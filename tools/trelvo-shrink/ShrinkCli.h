#pragma once

#include <cstdio>

namespace settings {
class IProfile;
}

// Runs trelvo-shrink with the given arguments, writing to `out` and `err`; returns the exit status:
// 0 when every photo was written, 1 when any failed or there was nothing to shrink, 2 on a usage
// error. Settings that no option overrides come from `stored` (only read), else their defaults.
int RunShrinkCli(
    int argc, char **argv, std::FILE *out, std::FILE *err, settings::IProfile *stored = nullptr);
