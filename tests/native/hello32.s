# write(1, "hello from 32-bit\n", 18); exit(7)
  .globl _start
  .text
_start:
  movl $4, %eax
  movl $1, %ebx
  movl $text, %ecx
  movl $18, %edx
  int $0x80
  movl $1, %eax
  movl $7, %ebx
  int $0x80
  .data
text:
  .ascii "hello from 32-bit\n"
