#!/usr/bin/env bash
# Starts a built program for `./do run`. Without the hardware it runs against
# the simulated hardware, and says so when a window is going to open; asked
# for its help or version only, it just answers.
#   tools/start-program.sh PROGRAM EXECUTABLE [ARGS...]
# SUITE_DEVICE_DIR names the device folder (/dev).
set -euo pipefail
prog=$1 exe=$2
shift 2
args=("$@")
devices=${SUITE_DEVICE_DIR:-/dev}

opens_window=1
simulated=0
for a in "${args[@]}"; do
  case "$a" in
    --help|-h|--help-all|--version|-v) opens_window=0 ;;
    --simulate|--simulate=*) simulated=1 ;;
  esac
done

if ((opens_window && !simulated)); then
  shopt -s nullglob
  case "$prog" in
    orvane) ports=("$devices"/ttyUSB* "$devices"/ttyACM*); what="USB or ACM serial device" ;;
    *)      ports=("$devices"/parport*); what="parallel port device" ;;
  esac
  if ((${#ports[@]} == 0)); then
    echo "No $what on this machine: starting $prog --simulate"
    args=(--simulate "${args[@]}")
  fi
fi
exec "$exe" "${args[@]}"
