# Sourced by the scripts that run Windows programs under Wine. start_display FOLDER starts Xvfb on a
# free display, sets xvfb_pid and exports DISPLAY once the server accepts clients: Wine must not
# start before that. FOLDER holds the file through which Xvfb names its display.
start_display() {
  local display_fd
  exec {display_fd}>"$1/display"
  Xvfb -displayfd "$display_fd" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb_pid=$!
  exec {display_fd}>&-
  for _ in $(seq 100); do [[ -s "$1/display" ]] && break; sleep 0.1; done
  [[ -s "$1/display" ]] || { echo "Xvfb did not start" >&2; return 1; }
  export DISPLAY=":$(cat "$1/display")"
}
