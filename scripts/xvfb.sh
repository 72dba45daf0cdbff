# Sourced: starts a private Xvfb with openbox on the first free display from $1 to $2,
# sets `display`, and stops both when the calling script exits.
display=""
for n in $(seq "$1" "$2"); do
  if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then display=":$n"; break; fi
done
xvfb_pids=()
stop_private_x() { for p in "${xvfb_pids[@]}"; do kill "$p" 2>/dev/null || true; done; }
trap stop_private_x EXIT
Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pids+=($!)
for _ in $(seq 1 50); do [ -e "/tmp/.X11-unix/X${display#:}" ] && break; sleep 0.1; done
DISPLAY="$display" openbox >/dev/null 2>&1 &
xvfb_pids+=($!)
# Tests that activate windows need the window manager to have taken the screen.
for _ in $(seq 1 100); do
  xprop -display "$display" -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
  sleep 0.1
done
