#pragma once

#include "pressoptions.h"

// Runs sealmill-press with checked options; returns its exit status.
[[nodiscard]] int runPressJob(const PressOptions& options);
