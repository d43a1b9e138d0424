/* The opening of _init and _fini, as the C library's crti.o has it, with end-branch
   instructions (the dynamic linker calls both indirectly) and the control-flow note. */
#include <cet.h>

	.weak __gmon_start__

	.section .init, "ax", @progbits
	.p2align 2
	.globl _init
	.hidden _init
	.type _init, @function
_init:
	_CET_ENDBR
	subq $8, %rsp
	movq __gmon_start__@GOTPCREL(%rip), %rax
	testq %rax, %rax
	je 1f
	call *%rax
1:

	.section .fini, "ax", @progbits
	.p2align 2
	.globl _fini
	.hidden _fini
	.type _fini, @function
_fini:
	_CET_ENDBR
	subq $8, %rsp

	.section .note.GNU-stack, "", @progbits
