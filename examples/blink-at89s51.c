/* Blinks an LED once a second on an AT89S51 with a 12 MHz crystal. Wire the
   LED with a 470 ohm resistor from VCC to P1.0 (pin 1): the port pulls the
   LED's cathode low. Timer 0 counts the milliseconds. */
#include <8051.h>

static void wait_ms(unsigned int ms) {
  TMOD = (TMOD & 0xF0) | 0x01; /* timer 0 as a 16-bit timer */
  while (ms--) {
    TH0 = 0xFC; /* 65536 - 1000 machine cycles of 1 us */
    TL0 = 0x18;
    TF0 = 0;
    TR0 = 1;
    while (!TF0) {
    }
    TR0 = 0;
  }
}

void main(void) {
  for (;;) {
    P1_0 = !P1_0;
    wait_ms(500);
  }
}
