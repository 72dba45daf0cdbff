#pragma once
// The programs the window starts as children of its own and watches (the converters and the
// player). A watched child is not reaped before we have seen it end, so its process id cannot
// pass to another process meanwhile, and killing by that id can only hit our own child.
#include <map>
#include <set>
#include <string>
#include <vector>

#include "desktop/desktop.h"

namespace varno::desktop {

class ChildProcesses {
 public:
  ChildProcesses() = default;
  // Kills nothing: what has ended is reaped, what still runs is left to run.
  ~ChildProcesses();
  ChildProcesses(const ChildProcesses&) = delete;
  ChildProcesses& operator=(const ChildProcesses&) = delete;

  // Starts the program (a path, not searched in PATH) with an argument vector and no shell,
  // with descriptors 0 and 1 of ours, standard error kept in memory for errors(), and default
  // signal handling. 0 when it could not be started, a failed exec included.
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
  // What a child that start made wrote on standard error, until it is ended or released;
  // then it goes on to our own standard error.
  std::string errors(ProcessId process) const;

 private:
  void reapReleased();
  void passOnErrors(ProcessId process);

  std::set<ProcessId> watched_;
  std::set<ProcessId> released_;
  std::set<ProcessId> failed_;
  std::map<ProcessId, int> errorFiles_;  // in-memory files holding each child's standard error
};

}  // namespace varno::desktop
