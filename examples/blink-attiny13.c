/* Blinks an LED once a second on an ATtiny13 as it leaves the factory
   (internal 9.6 MHz oscillator divided by 8). Wire the LED with a 470 ohm
   resistor from PB0 (pin 5) to GND. */
#include <avr/io.h>
#include <util/delay.h>

int main(void) {
  DDRB |= _BV(PB0);
  for (;;) {
    PORTB ^= _BV(PB0);
    _delay_ms(500);
  }
}
