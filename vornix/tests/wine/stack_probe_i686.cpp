#include "stack_probe_i686.h"

// Plain i386 assembly: the compiler must not see the call, or it would restore ESP
// from the frame pointer and hide an unbalanced stack.
asm(R"(
    .text
    .globl _vx_probe_call
    .def _vx_probe_call; .scl 2; .type 32; .endef
_vx_probe_call:
    pushl %ebp
    movl  %esp, %ebp
    pushl %esi
    pushl %edi
    pushl %ebx
    movl  16(%ebp), %ecx
    movl  12(%ebp), %edx
    movl  %esp, %esi
1:
    testl %ecx, %ecx
    jz    2f
    decl  %ecx
    pushl (%edx,%ecx,4)
    jmp   1b
2:
    call  *8(%ebp)
    movl  %esp, %ecx
    subl  %esi, %ecx
    movl  %esi, %esp
    movl  20(%ebp), %edx
    movl  %ecx, (%edx)
    popl  %ebx
    popl  %edi
    popl  %esi
    popl  %ebp
    ret
)");
