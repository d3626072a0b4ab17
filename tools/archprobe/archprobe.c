/* The smallest Windows program of each build: scripts/arch.sh runs the i686 one to learn
   whether this host can run 32-bit code at all. It prints its pointer width in bits. */
#include <stdio.h>

int main(void) {
  printf("%u\n", (unsigned)(sizeof(void*) * 8));
  return 0;
}
