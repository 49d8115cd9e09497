#!/bin/sh
# Builds the ELF test programs in tests/rindle/data/fixtures/elf with Debian's
# gcc-avr, avr-libc and binutils-avr, and beside each ELF file the HEX files
# avr-objcopy makes of its parts, which the tests read to check the ELF
# reader independently:
#   NAME.hex       flash (.text and .data)
#   NAME.eep       EEPROM, moved to address 0
#   NAME.fuse.hex  fuse bytes (low, high, extended), moved to address 0
#   NAME.lock.hex  lock byte, moved to address 0
# A part the program does not have gives no file.
set -eu
cd "$(dirname "$0")/../tests/rindle/data/fixtures/elf"

build() { # name mcu source [cflags...]
  name=$1 mcu=$2 source=$3
  shift 3
  avr-gcc -mmcu="$mcu" -Os "$@" -o "$name.elf" "$source"
  avr-strip --strip-debug "$name.elf"
  avr-objcopy -j .text -j .data -O ihex "$name.elf" "$name.hex"
  part "$name" .eeprom eep
  part "$name" .fuse fuse.hex
  part "$name" .lock lock.hex
}

part() { # name section extension
  if avr-objdump -h "$1.elf" | grep -q " $2 "; then
    avr-objcopy -j "$2" --change-section-lma "$2=0" -O ihex "$1.elf" "$1.$3"
  else
    rm -f "$1.$3"
  fi
}

build blink_m8 atmega8 blink.c
build blink_t13 attiny13 blink.c
build blink_t13_reset_io attiny13 blink.c -DRESET_PIN_IO
build nofuses_m8 atmega8 blink.c -DNO_FUSES
build fill_m128 atmega128 fill_m128.c
chmod 644 ./*.elf
