/* Blinks an LED on an ATmega8 as it leaves the factory (internal 1 MHz
   oscillator). Wire the LED with a 470 ohm resistor from PB0 (pin 14) to
   GND. The blink rate comes from the EEPROM: load blink-atmega8.eep as the
   EEPROM file and program both; with a blank EEPROM the LED blinks once a
   second. */
#include <avr/eeprom.h>
#include <avr/io.h>
#include <stdint.h>
#include <util/delay.h>

/* Half a blink period in steps of 10 ms: 25 blinks twice a second. */
uint8_t EEMEM half_period = 25;
/* Something to recognise in the EEPROM when it is read back. */
char EEMEM label[] = "blink-atmega8";

int main(void) {
  uint8_t steps = eeprom_read_byte(&half_period);
  if (steps == 0 || steps == 0xFF) {
    steps = 50;
  }
  DDRB |= _BV(PB0);
  for (;;) {
    PORTB ^= _BV(PB0);
    for (uint8_t i = 0; i < steps; ++i) {
      _delay_ms(10);
    }
  }
}
