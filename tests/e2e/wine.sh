#!/usr/bin/env bash
# One Wine prefix, one wineserver and one Xvfb display for a whole test run.
#
#   wine.sh start [DIR]   fresh DIR/wineprefix, an Xvfb display, a persistent wineserver;
#                         writes DIR/wine.env (DISPLAY, WINEPREFIX, ...) for the programs of the run
#   wine.sh stop [DIR]    ends that wineserver and that Xvfb
#   wine.sh run DIR PROGRAM [ARG...]
#                         runs `wine PROGRAM ARG...` in that prefix and on that display; its
#                         output goes through a file and is printed when it ends (at most 600 s)
#
# DIR is the build folder (default: the current directory). Every background process writes to a
# log file in DIR, never to our stdout: ctest reads that through a pipe and would wait for as long
# as a wineserver or an Xvfb kept it open.
set -euo pipefail

usage() { echo "usage: $0 start|stop [DIR] | run DIR PROGRAM [ARG...]" >&2; exit 2; }
[ $# -ge 1 ] || usage
action=$1
dir=$(realpath -m "${2:-.}")
env_file=$dir/wine.env

export WINEARCH=win32 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

# Reads KEY=VALUE lines of the env file into shell variables prefixed with env_.
read_env() {
  local key value
  while IFS='=' read -r key value; do
    case $key in
      DISPLAY | WINEPREFIX | XVFB_PID) printf -v "env_$key" '%s' "$value" ;;
    esac
  done <"$env_file"
}

stop() {
  [ -f "$env_file" ] || return 0
  local env_DISPLAY='' env_WINEPREFIX='' env_XVFB_PID=''
  read_env
  if [ -n "$env_WINEPREFIX" ] && [ -d "$env_WINEPREFIX" ]; then
    WINEPREFIX=$env_WINEPREFIX timeout 30 wineserver -k >>"$dir/wineserver.log" 2>&1 || true
  fi
  # Only our own Xvfb: the pid may have been reused by the time we get here.
  if [ -n "$env_XVFB_PID" ] && [ "$(cat "/proc/$env_XVFB_PID/comm" 2>/dev/null)" = Xvfb ]; then
    kill "$env_XVFB_PID" 2>/dev/null || true
    for _ in $(seq 50); do kill -0 "$env_XVFB_PID" 2>/dev/null || break; sleep 0.1; done
  fi
  rm -f "$env_file"
}

# Starts Xvfb on the first free display from :90 on and sets display and xvfb_pid.
start_xvfb() {
  local n
  for n in $(seq 90 189); do
    [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] && continue
    setsid Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp </dev/null >"$dir/xvfb.log" 2>&1 &
    xvfb_pid=$!
    for _ in $(seq 100); do
      if [ -S "/tmp/.X11-unix/X$n" ]; then display=:$n; return 0; fi
      kill -0 "$xvfb_pid" 2>/dev/null || break  # lost the display to another server: next one
      sleep 0.1
    done
    kill "$xvfb_pid" 2>/dev/null || true
  done
  return 1
}

# Ends what start has started so far, then the script.
fail() {
  echo "wine.sh: $*" >&2
  stop
  exit 1
}

start() {
  stop  # whatever an interrupted run left behind
  mkdir -p "$dir"
  export WINEPREFIX=$dir/wineprefix
  rm -rf "$WINEPREFIX"
  mkdir -p "$WINEPREFIX"  # wineserver refuses to start outside an existing prefix folder
  start_xvfb || fail "no Xvfb display could be started (see $dir/xvfb.log)"
  export DISPLAY=$display
  printf 'DISPLAY=%s\nWINEPREFIX=%s\nXVFB_PID=%s\n' "$DISPLAY" "$WINEPREFIX" "$xvfb_pid" >"$env_file"

  # wineserver puts itself in the background; -p keeps it up between the programs of the run.
  timeout 30 wineserver -p </dev/null >"$dir/wineserver.log" 2>&1 ||
    fail "wineserver did not start (see $dir/wineserver.log)"
  timeout 150 wineboot -i </dev/null >"$dir/wineboot.log" 2>&1 ||
    fail "wineboot -i failed (see $dir/wineboot.log)"
  # A virtual desktop: Wine then draws every window inside one X window of its own. Without a
  # window manager, hiding a top-level X window waits 2 s for a withdrawn state that never comes
  # (winex11 "wait_for_withdrawn_state ... timed out"); every closed message box paid that.
  { timeout 30 wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f &&
    timeout 30 wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1280x1024 /f
  } </dev/null >>"$dir/wineboot.log" 2>&1 || fail "no virtual desktop (see $dir/wineboot.log)"
  # The desktop that wineboot made is no virtual one: a new wineserver starts the next desktop
  # from these settings.
  timeout 30 wineserver -k >>"$dir/wineserver.log" 2>&1 || true
  timeout 30 wineserver -w >>"$dir/wineserver.log" 2>&1 || true
  timeout 30 wineserver -p </dev/null >>"$dir/wineserver.log" 2>&1 ||
    fail "wineserver did not start again (see $dir/wineserver.log)"
  echo "Wine prefix $WINEPREFIX ready on display $DISPLAY"
}

run() {
  [ -f "$env_file" ] || { echo "wine.sh: no $env_file: run '$0 start $dir' first" >&2; return 1; }
  local env_DISPLAY='' env_WINEPREFIX='' env_XVFB_PID='' log status=0
  read_env
  log=$(mktemp "$dir/run.XXXXXX.log")
  DISPLAY=$env_DISPLAY WINEPREFIX=$env_WINEPREFIX timeout 600 wine "$@" </dev/null >"$log" 2>&1 ||
    status=$?
  cat "$log"
  rm -f "$log"
  return $status
}

case $action in
  start) start ;;
  stop) stop ;;
  run)
    [ $# -ge 3 ] || usage
    shift 2
    run "$@"
    ;;
  *) usage ;;
esac
