#pragma once
// How a launch of the desktop's player went, as the desktop reports it and the window's
// sequence takes it.

namespace varno::common {

// Started: a process of ours plays the sound. Handed: the desktop took the sound without a
// process of ours (D-Bus activation). Failed: nothing was launched.
enum class LaunchResult { Started, Handed, Failed };

}  // namespace varno::common
