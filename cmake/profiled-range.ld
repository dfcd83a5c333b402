/* The range of program text that glibc's profiling start samples: from
   __executable_start to etext. The default script puts the start at the ELF
   header and etext just past .fini, anywhere. Here the range starts at .text
   (so the PLT, through which the counting hook is called, is not in it) and
   ends on a 16-byte boundary, so that each histogram bin covers exactly
   4 bytes. Added to GNU ld's default script, not in place of it. */
SECTIONS
{
  __executable_start = ADDR(.text) - ADDR(.text) % 16;
  etext = ALIGN(16);
}
INSERT AFTER .fini;
