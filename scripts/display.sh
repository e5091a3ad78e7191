# A virtual X display for machines without one. Sourced by run.sh and test.sh.
#   start_virtual_display   starts Xvfb on a free display number, exports DISPLAY, and stops
#                           Xvfb when the calling shell exits.

start_virtual_display() {
  local number_file
  number_file=$(mktemp)
  # -displayfd picks a free display number and writes it once the server accepts clients.
  Xvfb -displayfd 3 -screen 0 1024x1024x24 -nolisten tcp 3>"$number_file" >/dev/null 2>&1 &
  VIRTUAL_DISPLAY_PID=$!
  trap stop_virtual_display EXIT
  local tries
  for tries in $(seq 100); do
    [ -s "$number_file" ] && break
    kill -0 "$VIRTUAL_DISPLAY_PID" 2>/dev/null || break
    sleep 0.1
  done
  if [ ! -s "$number_file" ]; then
    rm -f "$number_file"
    echo "error: Xvfb did not start" >&2
    exit 1
  fi
  export DISPLAY=":$(head -n 1 "$number_file")"
  rm -f "$number_file"
}

stop_virtual_display() {
  if [ -n "${VIRTUAL_DISPLAY_PID:-}" ]; then
    kill "$VIRTUAL_DISPLAY_PID" 2>/dev/null || true
    wait "$VIRTUAL_DISPLAY_PID" 2>/dev/null || true
    VIRTUAL_DISPLAY_PID=
  fi
}
