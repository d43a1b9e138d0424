/* The program's entry, as the C library's start file has it, but with an end-branch
   instruction and the note that marks it for indirect-branch tracking and shadow
   stacks (<cet.h>, with -fcf-protection). Linked as Scrt1.o and crt1.o. */
#include <cet.h>

	.text
	.globl _start
	.type _start, @function
_start:
	_CET_ENDBR
	xorl %ebp, %ebp            /* the outermost frame */
	movq %rdx, %r9             /* the dynamic linker's finaliser */
	popq %rsi                  /* argc */
	movq %rsp, %rdx            /* argv */
	andq $-16, %rsp
	pushq %rax                 /* keeps the stack aligned */
	pushq %rsp                 /* the stack's end */
	xorl %r8d, %r8d            /* no init and fini: the C library runs .init_array */
	xorl %ecx, %ecx
	movq main@GOTPCREL(%rip), %rdi
	call *__libc_start_main@GOTPCREL(%rip)
	hlt
	.size _start, . - _start

	/* The C library looks for this to know the program's stdio is the current one. */
	.section .rodata
	.globl _IO_stdin_used
	.type _IO_stdin_used, @object
	.p2align 2
_IO_stdin_used:
	.long 0x20001
	.size _IO_stdin_used, 4

	.data
	.globl __data_start
__data_start:
	.long 0
	.weak data_start
	data_start = __data_start

	/* The kernel the C library was built for, at least. */
	.section .note.ABI-tag, "a"
	.p2align 2
	.long 4
	.long 16
	.long 1
	.asciz "GNU"
	.long 0, 3, 2, 0

	.section .note.GNU-stack, "", @progbits
