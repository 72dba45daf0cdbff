#include "desktop/process_tree.h"

#include <charconv>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>

namespace varno::desktop {

std::optional<ProcessStatus> readProcessStatus(ProcessId process) {
  std::ifstream stat("/proc/" + std::to_string(process) + "/stat");
  std::string line;
  if (!std::getline(stat, line)) return std::nullopt;
  // The command name in parentheses may hold blanks and parentheses itself; the last ) ends it.
  const auto close = line.rfind(')');
  if (close == std::string::npos || close + 4 >= line.size()) return std::nullopt;
  ProcessStatus status;
  status.state = line[close + 2];
  const char* parent = line.data() + close + 4;
  if (std::from_chars(parent, line.data() + line.size(), status.parent).ec != std::errc())
    return std::nullopt;
  return status;
}

std::vector<ProcessParent> listProcesses() {
  std::vector<ProcessParent> processes;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator("/proc", error)) {
    const std::string name = entry.path().filename().string();
    ProcessId process = 0;
    const auto [end, parsed] = std::from_chars(name.data(), name.data() + name.size(), process);
    if (parsed != std::errc() || end != name.data() + name.size()) continue;
    // A process may end between the listing and the reading.
    if (const auto status = readProcessStatus(process))
      processes.push_back({process, status->parent});
  }
  return processes;
}

bool descendsFrom(ProcessId process, ProcessId ancestor) {
  // Bounded, so a table changing under us (ids reused) cannot keep us here.
  for (int depth = 0; process > 0 && depth < 256; ++depth) {
    if (process == ancestor) return true;
    const auto status = readProcessStatus(process);
    if (!status) return false;
    process = status->parent;
  }
  return false;
}

std::set<ProcessId> processAndDescendants(ProcessId process,
                                          const std::vector<ProcessParent>& processes) {
  std::multimap<ProcessId, ProcessId> children;
  for (const ProcessParent& p : processes) children.emplace(p.parent, p.process);
  std::set<ProcessId> family{process};
  std::vector<ProcessId> pending{process};
  while (!pending.empty()) {
    const ProcessId parent = pending.back();
    pending.pop_back();
    const auto [first, last] = children.equal_range(parent);
    for (auto child = first; child != last; ++child)
      // Already seen: a table read while ids were reused may hold a loop.
      if (family.insert(child->second).second) pending.push_back(child->second);
  }
  return family;
}

}  // namespace varno::desktop
