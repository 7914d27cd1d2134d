// SPDX-License-Identifier: GPL-3.0-or-later
// Source of blink_sdcc.hex, built with Debian's sdcc 4.2:
//   sdcc --code-loc 0x4100 --iram-size 128 blink_sdcc.c
// The compiler lists its records out of address order, with short records
// between longer ones: the case the conversion must fill without
// overwriting bytes an earlier record loaded.
#include <8051.h>

static void wait(unsigned int n)
{
    while (n--)
        ;
}

static const unsigned char pattern[] = {0x01, 0x02, 0x04, 0x08, 0x10, 0x20, 0x40, 0x80};

void main(void)
{
    unsigned char i = 0;
    for (;;) {
        P1 = ~pattern[i];
        i = (i + 1) & 7;
        wait(20000);
    }
}
