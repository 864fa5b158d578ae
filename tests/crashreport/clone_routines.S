/* Functions with parts an optimising compiler split off them or specialised, named as it names
   them. The parts come first, as .text.unlikely comes before .text, so that a search in address
   order meets a part before its function. System V calling convention. */
  .text

/* int crtest_split(int x): x, or -1 for a negative x through its cold part. */
  .type crtest_split.cold, @function
crtest_split.cold:
  movl $-1, %eax
  ret
  .size crtest_split.cold, .-crtest_split.cold

  .type crtest_split.constprop.0.isra.0, @function
crtest_split.constprop.0.isra.0:
  xorl %eax, %eax
  ret
  .size crtest_split.constprop.0.isra.0, .-crtest_split.constprop.0.isra.0

  .globl crtest_split
  .type crtest_split, @function
crtest_split:
  testl %edi, %edi
  js crtest_split.cold
  movl %edi, %eax
  ret
  .size crtest_split, .-crtest_split

/* int crtest::Split(int x), in C++: the same, with a cold part and a partial copy. */
  .type _ZN6crtest5SplitEi.cold, @function
_ZN6crtest5SplitEi.cold:
  movl $-1, %eax
  ret
  .size _ZN6crtest5SplitEi.cold, .-_ZN6crtest5SplitEi.cold

  .type _ZN6crtest5SplitEi.part.0, @function
_ZN6crtest5SplitEi.part.0:
  movl %edi, %eax
  ret
  .size _ZN6crtest5SplitEi.part.0, .-_ZN6crtest5SplitEi.part.0

  .globl _ZN6crtest5SplitEi
  .type _ZN6crtest5SplitEi, @function
_ZN6crtest5SplitEi:
  testl %edi, %edi
  js _ZN6crtest5SplitEi.cold
  jmp _ZN6crtest5SplitEi.part.0
  .size _ZN6crtest5SplitEi, .-_ZN6crtest5SplitEi

/* A local function and its part, and a part whose function was inlined everywhere (none left). */
  .type crtest_local_split.part.0, @function
crtest_local_split.part.0:
  xorl %eax, %eax
  ret
  .size crtest_local_split.part.0, .-crtest_local_split.part.0

  .type crtest_local_split, @function
crtest_local_split:
  jmp crtest_local_split.part.0
  .size crtest_local_split, .-crtest_local_split

  .type crtest_only_parts.part.0, @function
crtest_only_parts.part.0:
  xorl %eax, %eax
  ret
  .size crtest_only_parts.part.0, .-crtest_only_parts.part.0

/* Where the parts and the local function lie, for the tests (C++ cannot name them). */
  .section .data.rel.ro, "aw"
  .balign 8
  .globl crtest_clone_addresses
crtest_clone_addresses:
  .quad crtest_split.cold
  .quad crtest_split.constprop.0.isra.0
  .quad _ZN6crtest5SplitEi.cold
  .quad _ZN6crtest5SplitEi.part.0
  .quad crtest_local_split
  .quad crtest_only_parts.part.0

  .section .note.GNU-stack,"",@progbits
