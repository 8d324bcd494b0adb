#pragma once

#include <optional>

// The program's commands that run without a window: classify, history, undo. Nothing when there are no
// arguments, so that the window starts; otherwise the exit status: 0 when every file was handled, 1 when
// some were skipped or failed, 2 when the command could not run as given.
std::optional<int> runCommandLine(int argc, char **argv);
