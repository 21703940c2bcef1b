# Shared by scripts/test and scripts/demo: timing, the X display and the Wine server.
# Everything started here is remembered and stopped by stop_started, exactly what was started.

phase_times=()
phase() {  # phase <name> <command...>: runs the command and records how long it took
  local name=$1 start end rc
  shift
  start=$(date +%s)
  "$@"
  rc=$?
  end=$(date +%s)
  phase_times+=("$(printf '%-18s %4ss%s' "$name" $((end - start)) "$([ $rc -eq 0 ] || echo '  FAILED')")")
  return $rc
}
print_phase_times() {
  echo "== phases"
  printf '  %s\n' "${phase_times[@]}"
}

can_run_32bit() { /lib/ld-linux.so.2 --version >/dev/null 2>&1; }

started_xvfb=""
start_display() {  # an X display for the windows: the caller's, or an Xvfb of our own
  [ -n "${DISPLAY:-}" ] && return 0
  local n
  for n in $(seq 90 120); do
    [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] && continue
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    started_xvfb=$!
    export DISPLAY=":$n"
    for _ in $(seq 50); do
      [ -e "/tmp/.X11-unix/X$n" ] && return 0
      kill -0 "$started_xvfb" 2>/dev/null || break
      sleep 0.1
    done
    echo "Xvfb :$n did not start" >&2
    return 1
  done
  echo "no free X display number" >&2
  return 1
}

# A persistent Wine server per build tree: without it every test program pays the server's
# start-up. The display must be set first; Wine keeps its display driver for a server's life.
start_wineserver() {
  local build=$1
  "$build/wine-run" --prepare-only || return 1  # creates the prefix when missing
  # A server that already runs for this prefix (exit code 2) is someone else's: use it, leave it.
  # Detached from our output: Wine's helper processes must not hold a test runner's pipe open.
  if WINEPREFIX="$PWD/$build/wineprefix" setsid wineserver -p </dev/null >/dev/null 2>&1; then
    started_servers+=("$PWD/$build/wineprefix")
  fi
  # Start Wine's own services now, outside any test's output.
  "$build/wine-run" cmd /c exit </dev/null >/dev/null 2>&1
  return 0
}
stop_wineserver() {
  local kept=() p
  for p in "${started_servers[@]}"; do
    if [ "$p" = "$PWD/$1/wineprefix" ]; then WINEPREFIX="$p" wineserver -k 2>/dev/null; else kept+=("$p"); fi
  done
  started_servers=("${kept[@]}")
}
started_servers=()

stop_started() {
  local p
  for p in "${started_servers[@]}"; do WINEPREFIX="$p" wineserver -k 2>/dev/null; done
  started_servers=()
  if [ -n "$started_xvfb" ]; then
    kill "$started_xvfb" 2>/dev/null
    wait "$started_xvfb" 2>/dev/null
    started_xvfb=""
  fi
}
