/* Routines whose first bytes the hook tests depend on. System V calling convention. */
  .text

/* int crtest_plus_one(int x): starts with a relative call. */
  .globl crtest_plus_one
  .type crtest_plus_one, @function
crtest_plus_one:
  call crtest_helper_double      /* E8 rel32: must reach the same routine from a trampoline */
  addl $1, %eax
  ret
  .size crtest_plus_one, .-crtest_plus_one

/* int crtest_helper_double(int x) */
  .globl crtest_helper_double
  .type crtest_helper_double, @function
crtest_helper_double:
  leal (%rdi,%rdi), %eax
  ret
  .size crtest_helper_double, .-crtest_helper_double

/* long crtest_read_value(void): starts with a RIP-relative load. */
  .globl crtest_read_value
  .type crtest_read_value, @function
crtest_read_value:
  movq crtest_value(%rip), %rax   /* 48 8B 05 disp32 */
  addq $5, %rax
  ret
  .size crtest_read_value, .-crtest_read_value

/* int crtest_sign(int x): a short branch out of the first bytes. */
  .globl crtest_sign
  .type crtest_sign, @function
crtest_sign:
  testl %edi, %edi                /* 85 FF */
  js 1f                           /* 78 xx: leaves the copied bytes */
  movl $1, %eax
  ret
1:
  movl $-1, %eax
  ret
  .size crtest_sign, .-crtest_sign

/* int crtest_three_bytes(void): shorter than the 5 bytes a hook writes. */
  .globl crtest_three_bytes
  .type crtest_three_bytes, @function
crtest_three_bytes:
  xorl %eax, %eax                 /* 31 C0 */
  ret                             /* C3 */
  .size crtest_three_bytes, .-crtest_three_bytes

/* int crtest_jumps_away(int x): a 5-byte jump to another routine, no more. */
  .globl crtest_jumps_away
  .type crtest_jumps_away, @function
crtest_jumps_away:
  .byte 0xE9                      /* jmp rel32, ending exactly at byte 5 */
  .long crtest_helper_double - . - 4
  .size crtest_jumps_away, .-crtest_jumps_away

/* A routine that jumps away after 2 bytes. */
  .globl crtest_short_jump_away
  .type crtest_short_jump_away, @function
crtest_short_jump_away:
  .byte 0xEB, 0x03                /* jmp +3 */
  nop
  nop
  nop
  xorl %eax, %eax
  ret
  .size crtest_short_jump_away, .-crtest_short_jump_away

  .data
  .globl crtest_value
  .balign 8
crtest_value:
  .quad 37

  .section .note.GNU-stack,"",@progbits
