#!/usr/bin/env bash
# Each program's --help: every option it lists is named in its usage line
# (or the usage line says [options]); --help and --version work on a machine
# without a display, as on a build server. The programs named in
# USAGE_ERROR_PROGRAMS (space-separated) also end a wrong option or a stray
# argument with status 2, saying why on stderr and nothing on stdout.
#   [USAGE_ERROR_PROGRAMS="NAME..."] UsageTest.sh PROGRAM...
set -uo pipefail
passed=0 failed=0
for exe in "$@"; do
  name=$(basename "$exe")
  for ask in --help --version; do
    if out=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$exe" "$ask" 2>&1) && [ -n "$out" ]; then
      passed=$((passed + 1))
    else
      failed=$((failed + 1)); echo "FAILED: $name $ask without a display: $(head -n 2 <<<"$out")"
    fi
  done
  if [[ " ${USAGE_ERROR_PROGRAMS:-} " == *" $name "* ]]; then
    for wrong in --no-such-option stray-argument; do
      out=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$exe" "$wrong" 2>/dev/null)
      status=$?
      err=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$exe" "$wrong" 2>&1 >/dev/null)
      if ((status == 2)) && [ -z "$out" ] && [[ "$err" == "$name: "* ]]; then
        passed=$((passed + 1))
      else
        failed=$((failed + 1))
        echo "FAILED: $name $wrong: status $status (2 wanted), stdout \"$out\", stderr \"$(head -n 1 <<<"$err")\""
      fi
    done
  fi
  help=$("$exe" --help 2>&1) || { failed=$((failed + 1)); echo "FAILED: $name --help"; continue; }
  usage=$(grep -m1 '^Usage:' <<<"$help")
  if [ -z "$usage" ]; then
    failed=$((failed + 1)); echo "FAILED: $name --help has no usage line"; continue
  fi
  listed=$(grep -oE '^ +(-[a-zA-Z?], )?--[a-z][a-z-]*' <<<"$help" | grep -oE -- '--[a-z][a-z-]*' | sort -u)
  if [ -z "$listed" ]; then
    failed=$((failed + 1)); echo "FAILED: $name --help lists no option"; continue
  fi
  for option in $listed; do
    if [[ "$usage" == *"[options]"* || "$usage" =~ \[$option[]=[] ]]; then
      passed=$((passed + 1))
    else
      failed=$((failed + 1)); echo "FAILED: $name lists $option, its usage line leaves it out: $usage"
    fi
  done
done
echo "$passed passed, $failed failed"
((failed == 0))
