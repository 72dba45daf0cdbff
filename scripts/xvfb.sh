# Sourced: starts a private Xvfb with openbox on the first free display from $1 to $2,
# sets `display`, and stops both when the calling script exits. Scripts sourced after it
# (scripts/weston.sh) add their own servers to `private_pids` and folders to `private_dirs`.
display=""
for n in $(seq "$1" "$2"); do
  if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then display=":$n"; break; fi
done
private_pids=()
private_dirs=()
# Newest first, so that nothing outlives the server it runs on.
stop_private_servers() {
  local i
  for ((i = ${#private_pids[@]} - 1; i >= 0; i--)); do
    kill "${private_pids[i]}" 2>/dev/null || true
    wait "${private_pids[i]}" 2>/dev/null || true
  done
  for d in "${private_dirs[@]}"; do rm -rf "$d"; done
}
trap stop_private_servers EXIT
Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
private_pids+=($!)
for _ in $(seq 1 50); do [ -e "/tmp/.X11-unix/X${display#:}" ] && break; sleep 0.1; done
DISPLAY="$display" openbox >/dev/null 2>&1 &
private_pids+=($!)
# Tests that activate windows need the window manager to have taken the screen.
for _ in $(seq 1 100); do
  xprop -display "$display" -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
  sleep 0.1
done
