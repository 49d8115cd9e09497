#!/bin/sh
# Builds the example images in examples/ from their sources with Debian's
# gcc-avr, binutils-avr and avr-libc (AVR) and sdcc (8051). The images are
# kept in the repository, so nothing else needs these compilers.
#   tools/make-examples.sh           rebuild the images in examples/
#   tools/make-examples.sh --check   build into a temporary folder and compare
#                                    with the images in examples/ (exit 77,
#                                    "skipped", without the compilers)
#   tools/make-examples.sh --install install the compilers with apt-get
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
src="$root/examples"
compilers="gcc-avr binutils-avr avr-libc sdcc"

case "${1:-}" in
  --install)
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo=sudo
    $sudo apt-get update -qq
    # shellcheck disable=SC2086
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends $compilers
    exit 0
    ;;
  --check) check=1 ;;
  "") check=0 ;;
  *) echo "usage: $0 [--check | --install]" >&2; exit 2 ;;
esac

for tool in avr-gcc avr-objcopy sdcc packihx; do
  if ! command -v "$tool" >/dev/null 2>&1; then
    echo "$tool is missing: install $compilers (tools/make-examples.sh --install)" >&2
    [ "$check" -eq 1 ] && exit 77
    exit 1
  fi
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# avr NAME MCU F_CPU: flash image NAME.hex (and NAME.eep when the program
# keeps data in the EEPROM, addressed from 0 as the programmers expect).
avr() {
  avr-gcc -mmcu="$2" -DF_CPU="$3" -Os -Wall -Wextra -std=gnu99 -o "$work/$1.elf" "$src/$1.c"
  avr-objcopy -j .text -j .data -O ihex "$work/$1.elf" "$work/$1.hex"
  if avr-objdump -h "$work/$1.elf" | grep -q ' \.eeprom '; then
    avr-objcopy -j .eeprom --set-section-flags=.eeprom=alloc,load \
      --change-section-lma .eeprom=0 -O ihex "$work/$1.elf" "$work/$1.eep"
  fi
}

# mcs51 NAME CODE_SIZE: flash image NAME.hex.
mcs51() {
  (cd "$work" && sdcc -mmcs51 --code-size "$2" -o "$1.ihx" "$src/$1.c" >/dev/null)
  packihx "$work/$1.ihx" >"$work/$1.hex" 2>/dev/null
}

avr blink-atmega8 atmega8 1000000UL
avr blink-attiny13 attiny13 1200000UL
mcs51 blink-at89s51 4096

status=0
for image in "$work"/*.hex "$work"/*.eep; do
  name=$(basename "$image")
  if [ "$check" -eq 1 ]; then
    if ! cmp -s "$image" "$src/$name"; then
      echo "examples/$name differs from what its source builds to; run tools/make-examples.sh" >&2
      status=1
    fi
  else
    cp "$image" "$src/$name"
    chmod 644 "$src/$name"
    echo "examples/$name"
  fi
done
exit $status
