# Sourced after scripts/xvfb.sh: starts a Weston compositor as a window on that X display,
# with a runtime folder of its own, exports VARNO_TEST_WAYLAND_DISPLAY (its socket) and
# VARNO_TEST_RUNTIME_DIR, and stops it with the X server. Without weston the Wayland tests
# are skipped.
if command -v weston >/dev/null; then
  VARNO_TEST_RUNTIME_DIR=$(mktemp -d "${TMPDIR:-/tmp}/varno-wayland-XXXXXX")  # mode 0700
  private_dirs+=("$VARNO_TEST_RUNTIME_DIR")
  DISPLAY="$display" XDG_RUNTIME_DIR="$VARNO_TEST_RUNTIME_DIR" \
    weston --backend=x11-backend.so --socket=wayland-varno --use-pixman --idle-time=0 >/dev/null 2>&1 &
  private_pids+=($!)
  for _ in $(seq 1 100); do [ -S "$VARNO_TEST_RUNTIME_DIR/wayland-varno" ] && break; sleep 0.1; done
  if [ -S "$VARNO_TEST_RUNTIME_DIR/wayland-varno" ]; then
    export VARNO_TEST_WAYLAND_DISPLAY=wayland-varno VARNO_TEST_RUNTIME_DIR
  else
    echo "weston did not start; the Wayland tests are skipped" >&2
  fi
else
  echo "weston is not installed; the Wayland tests are skipped" >&2
fi
