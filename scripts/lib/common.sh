# Shared by the scripts (set-up, test, demo): phases and their times, the 32-bit probes, the X display
# and the Wine server. Everything started here is remembered and stopped by stop_started, exactly what
# was started.

phase_times=()
failed_phases=()
skipped_phases=()
phase_reason=""
phase() {  # phase <name> <command...>: runs the command, records how long it took and whether it failed
  local name=$1 start end rc
  shift
  phase_reason=""  # a shell function run as a phase may set it to say why it failed
  start=$(date +%s)
  "$@"
  rc=$?
  end=$(date +%s)
  if [ $rc -eq 0 ]; then
    phase_times+=("$(printf '%-18s %4ss' "$name" $((end - start)))")
  else
    phase_times+=("$(printf '%-18s %4ss  FAILED' "$name" $((end - start)))")
    failed_phases+=("$name")
    echo "== $name failed: ${phase_reason:-exit code $rc}" >&2
  fi
  return $rc
}
skip_phase() {  # skip_phase <name> <reason>: records a phase that does not run here, and why
  phase_times+=("$(printf '%-18s %5s  skipped: %s' "$1" - "$2")")
  skipped_phases+=("$1 [$2]")
  echo "== $1 skipped: $2"
}
print_phase_times() {  # the table, then one line: the failed phases or that all passed, and what was skipped
  local summary skipped=""
  echo "== phases"
  printf '  %s\n' "${phase_times[@]}"
  if [ ${#failed_phases[@]} -gt 0 ]; then
    summary="FAILED: $(join_by ', ' "${failed_phases[@]}")"
  else
    summary="all phases passed"
  fi
  [ ${#skipped_phases[@]} -gt 0 ] && skipped="; skipped: $(join_by ', ' "${skipped_phases[@]}")"
  echo "== $summary$skipped"
}
join_by() {  # join_by <separator> <item>...
  local separator=$1 first=$2
  shift 2
  printf '%s' "$first" "${@/#/$separator}"
}

# Whether the kernel starts 32-bit x86 programs at all: a static i386 program of 93 bytes that
# only exits, made here byte by byte, so that the answer needs no 32-bit library installed.
kernel_runs_32bit() {
  local folder
  folder="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)/build"  # /tmp may be mounted noexec
  mkdir -p "$folder" || return 1
  python3 - "$folder" <<'PY'
import os, struct, subprocess, sys, tempfile
code = bytes([0x31, 0xDB, 0xB8, 1, 0, 0, 0, 0xCD, 0x80])  # xor ebx,ebx; mov eax,1 (exit); int 0x80
base, size = 0x08048000, 52 + 32 + len(code)
elf = (b"\x7fELF" + bytes([1, 1, 1]) + bytes(9)  # 32-bit, little-endian, version 1
       + struct.pack("<HHIIIIIHHHHHH", 2, 3, 1, base + 84, 52, 0, 0, 52, 32, 1, 0, 0, 0)  # executable, i386
       + struct.pack("<8I", 1, 0, base, base, size, size, 5, 0x1000)  # one segment, read and execute
       + code)
with tempfile.TemporaryDirectory(dir=sys.argv[1]) as folder:
    program = os.path.join(folder, "exit32")
    with open(program, "wb") as out:
        out.write(elf)
    os.chmod(program, 0o755)
    try:
        sys.exit(subprocess.run([program], timeout=10).returncode)
    except (OSError, subprocess.TimeoutExpired):  # "Exec format error" where ia32 emulation is off
        sys.exit(1)
PY
}

# Whether a 32-bit Wine starts the programs of the i686 build (build/win32) on this machine: the
# tree's smallest program, started by the tree's Wine with a time limit, must end with its own word
# size. Configures the tree and builds that program when needed. Otherwise sets wine32_problem to
# one line why: what is missing, where that can be told, else what the start gave.
wine32_works() {
  local build=build/win32 log=build/win32-probe.log rc reasons=()
  local probe=$build/tools/WordSize.exe
  wine32_problem=""
  mkdir -p build
  if ! { cmake --preset win32 && cmake --build --preset win32 --target wordsize_probe; } >"$log" 2>&1; then
    wine32_problem="the i686 build's probe program did not build (see $log)"
    return 1
  fi
  rm -f "$log"
  # The first start makes the tree's prefix: about 15 s where a 32-bit Wine works.
  timeout -k 5 180 "$build/wine-run" "$probe" </dev/null >/dev/null 2>&1
  rc=$?
  # That Wine server ends by itself; the tests start their own once the display is in place.
  WINEPREFIX="$PWD/$build/wineprefix" timeout 30 wineserver -w >/dev/null 2>&1
  [ $rc -eq 32 ] && return 0
  dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -q 'install ok installed' ||
    reasons+=("no 32-bit Wine (wine32:i386 not installed)")
  kernel_runs_32bit || reasons+=("kernel runs no 32-bit code")
  if [ ${#reasons[@]} -gt 0 ]; then
    wine32_problem=$(join_by '; ' "${reasons[@]}")
  elif [ $rc -eq 124 ] || [ $rc -eq 137 ]; then
    wine32_problem="the 32-bit Wine did not end $probe within 180 s"
  else
    wine32_problem="the 32-bit Wine did not run $probe (exit code $rc, not 32)"
  fi
  return 1
}

started_xvfb=""
started_wm=""
# An X display for the windows: the caller's, or an Xvfb of our own with a window manager, which
# draws the captions for screenshots, and without which Wine waits 2 s for each top-level window
# that a program closes (a Cancel would seem slow).
start_display() {
  [ -n "${DISPLAY:-}" ] && return 0
  local n
  for n in $(seq 90 120); do
    [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] && continue
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    started_xvfb=$!
    export DISPLAY=":$n"
    for _ in $(seq 50); do
      if [ -e "/tmp/.X11-unix/X$n" ]; then
        openbox --sm-disable >/dev/null 2>&1 &
        started_wm=$!
        return 0
      fi
      kill -0 "$started_xvfb" 2>/dev/null || break
      sleep 0.1
    done
    phase_reason="Xvfb :$n did not start"
    return 1
  done
  phase_reason="no free X display number in :90 to :120"
  return 1
}

# A persistent Wine server per build tree: without it every test program pays the server's
# start-up. The display must be set first; Wine keeps its display driver for a server's life.
start_wineserver() {
  local build=$1 rc
  "$build/wine-run" --prepare-only  # creates the prefix when missing
  rc=$?
  if [ $rc -ne 0 ]; then
    phase_reason="$build/wine-run could not make the Wine prefix $build/wineprefix (exit code $rc)"
    return 1
  fi
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
  if [ -n "$started_wm" ]; then
    kill "$started_wm" 2>/dev/null
    wait "$started_wm" 2>/dev/null
    started_wm=""
  fi
  if [ -n "$started_xvfb" ]; then
    kill "$started_xvfb" 2>/dev/null
    wait "$started_xvfb" 2>/dev/null
    started_xvfb=""
  fi
}
