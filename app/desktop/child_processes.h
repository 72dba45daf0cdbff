#pragma once
// The programs the window starts as children of its own and watches (the converters and the
// player). A watched child is not reaped before we have seen it end, so its process id cannot
// pass to another process meanwhile, and killing by that id can only hit our own child.
#include <set>
#include <string>
#include <vector>

#include "desktop.h"

namespace varno {

class ChildProcesses {
 public:
  ChildProcesses() = default;
  // Kills nothing: what has ended is reaped, what still runs is left to run.
  ~ChildProcesses();
  ChildProcesses(const ChildProcesses&) = delete;
  ChildProcesses& operator=(const ChildProcesses&) = delete;

  // Starts the program (a path, not searched in PATH) with an argument vector and no shell,
  // with only descriptors 0, 1 and 2 of ours and default signal handling. 0 when it could
  // not be started, a failed exec included.
  ProcessId start(const std::string& program, const std::vector<std::string>& args);
  // Watches a child of ours that someone else started, as if start had made it.
  void adopt(ProcessId process);
  // As Desktop::processEnded, endProcess and releaseProcess; each call first reaps the
  // released children that have ended.
  bool ended(ProcessId process);
  void end(ProcessId process);
  void release(ProcessId process);
  // Whether a watched child seen ended by ended or end exited non-zero or by a signal.
  bool failed(ProcessId process) const;

 private:
  void reapReleased();

  std::set<ProcessId> watched_;
  std::set<ProcessId> released_;
  std::set<ProcessId> failed_;
};

}  // namespace varno
