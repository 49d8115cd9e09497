#!/usr/bin/env bash
# The examples' Makefile: one `make flash` writes the ATmega8 blink example's
# flash and EEPROM into the simulated chip, which then verifies against the
# images; before it, the chip does not.
#   ExampleMakefileTest.sh EXAMPLES_FOLDER RINDLE_CLI
set -uo pipefail
examples=$1 cli=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_DATA_HOME="$work/data" ASAN_OPTIONS=detect_leaks=0
cp "$examples/Makefile" "$examples/blink-atmega8.c" "$examples/blink-atmega8.hex" \
   "$examples/blink-atmega8.eep" "$work/"
# The images are newer than the source: make takes them as they are and needs
# no compiler.
touch -d '1 minute ago' "$work/blink-atmega8.c"
touch "$work/blink-atmega8.hex" "$work/blink-atmega8.eep"
sim=("$cli" --simulate=ATmega8 --no-delays -q -p ATmega8)
verify=("${sim[@]}" -U flash:v:"$work/blink-atmega8.hex" -U eeprom:v:"$work/blink-atmega8.eep")

"${verify[@]}" 2>/dev/null
if [ $? -ne 1 ]; then echo "FAILED: a fresh simulated chip already verifies"; exit 1; fi
if ! out=$(make -C "$work" flash RINDLE_CLI="$cli --simulate=ATmega8 --no-delays" 2>&1); then
  echo "FAILED: make flash"; echo "$out"; exit 1
fi
grep -q -- "-p ATmega8 -U flash:w:blink-atmega8.hex:i -U eeprom:w:blink-atmega8.eep:i" <<<"$out" ||
  { echo "FAILED: make flash ran something else:"; echo "$out"; exit 1; }
if ! "${verify[@]}"; then echo "FAILED: the chip does not hold the example after make flash"; exit 1; fi
[ ! -e "$work/blink-atmega8.elf" ] || { echo "FAILED: make rebuilt the images"; exit 1; }
echo "passed: make flash wrote flash and EEPROM"
