#!/usr/bin/env bash
# tools/start-program.sh, which `./do run` ends in, with a stand-in program
# that prints the arguments it got and device folders made for the test.
#   StartProgramTest.sh SOURCE_DIR
set -uo pipefail
start="$1/tools/start-program.sh"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cat >"$work/program" <<'STUB'
#!/usr/bin/env bash
echo "args:$*"
STUB
chmod +x "$work/program"
mkdir -p "$work/none" "$work/lpt" "$work/usb"
touch "$work/lpt/parport0" "$work/usb/ttyUSB0"

passed=0 failed=0
# description | program | device folder | expected output | arguments...
expect() {
  local what=$1 prog=$2 dir=$3 want=$4; shift 4
  local got
  got=$(SUITE_DEVICE_DIR="$work/$dir" "$start" "$prog" "$work/program" "$@" 2>&1)
  if [ "$got" == "$want" ]; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    printf 'FAILED: %s\n  want: %q\n  got:  %q\n' "$what" "$want" "$got"
  fi
}
nl=$'\n'
no_lpt="No parallel port device on this machine: starting"
no_usb="No USB or ACM serial device on this machine: starting"

expect "--version answers alone"    rindle none "args:--version" --version
expect "--help answers alone"       tollen none "args:--help" --help
expect "-v answers alone"           tollen none "args:-v" -v
expect "orvane --version alone"     orvane none "args:--version" --version
expect "a window without the port"  rindle none "$no_lpt rindle --simulate${nl}args:--simulate"
expect "options are kept"           tollen none "$no_lpt tollen --simulate${nl}args:--simulate --close-when-shown" --close-when-shown
expect "orvane without a port"      orvane none "$no_usb orvane --simulate${nl}args:--simulate"
expect "with the port, for real"    rindle lpt  "args:"
expect "serial port, for real"      orvane usb  "args:"
expect "a parallel port is no serial port" orvane lpt "$no_usb orvane --simulate${nl}args:--simulate"
expect "asked to simulate"          rindle none "args:--simulate=MEGA8" --simulate=MEGA8
expect "asked to simulate, orvane"  orvane none "args:--simulate" --simulate

echo "$passed passed, $failed failed"
((failed == 0))
