#pragma once
// The processes of the system with their parents, as /proc shows them.
#include <optional>
#include <set>
#include <vector>

#include "desktop/desktop.h"

namespace varno::desktop {

struct ProcessStatus {
  char state = '?';  // R, S, D, Z, X, ... as /proc/<pid>/stat spells it
  ProcessId parent = 0;
};

// Nothing when the process is gone or its status cannot be read.
std::optional<ProcessStatus> readProcessStatus(ProcessId process);

struct ProcessParent {
  ProcessId process = 0;
  ProcessId parent = 0;
};

// Every process listed in /proc now, with its parent.
std::vector<ProcessParent> listProcesses();

// Whether `process` is `ancestor` or below it: its parents read one by one, a few reads where
// listing every process would take hundreds.
bool descendsFrom(ProcessId process, ProcessId ancestor);

// The process itself and every process below it in the tree the list describes.
std::set<ProcessId> processAndDescendants(ProcessId process,
                                          const std::vector<ProcessParent>& processes);

}  // namespace varno::desktop
