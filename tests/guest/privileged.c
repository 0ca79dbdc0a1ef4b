/* One instruction per build (PRIV_<kind>) that user code may not execute, or a write to the
   memory it may not write. */
#include "korva_guest.h"

/* The run-time's descriptor table: 0x100 into the last page of the trap area, which
   starts the guest region. */
#define DESCRIPTOR_TABLE 0x1000F100u

void __MAIN(void) {
#if defined(PRIV_cli)
  __asm__ volatile("cli");
#elif defined(PRIV_hlt)
  __asm__ volatile("hlt");
#elif defined(PRIV_in)
  __asm__ volatile("inb $0x60, %%al" ::: "eax");
#elif defined(PRIV_out)
  __asm__ volatile("outb %%al, $0x80" ::: "eax");
#elif defined(PRIV_lgdt)
  static unsigned char table[6];
  __asm__ volatile("lgdt %0" ::"m"(table));
#elif defined(PRIV_mov_cr0)
  __asm__ volatile("movl %%cr0, %%eax" ::: "eax");
#elif defined(PRIV_mov_dr7)
  __asm__ volatile("xorl %%eax, %%eax\n\tmovl %%eax, %%dr7" ::: "eax");
#elif defined(PRIV_wrmsr)
  __asm__ volatile("xorl %%eax, %%eax\n\txorl %%edx, %%edx\n\tmovl $0x174, %%ecx\n\twrmsr" ::: "eax", "ecx", "edx");
#elif defined(PRIV_sysenter)
  __asm__ volatile("sysenter");
#elif defined(PRIV_write_stub)
  *(volatile unsigned char*)(void*)&_fend = 0x90;
#elif defined(PRIV_write_table)
  *(volatile unsigned*)DESCRIPTOR_TABLE = 0;
#elif defined(PRIV_kernel_stack)
  __asm__ volatile("movw $0x10, %%ax\n\tmovw %%ax, %%ss" ::: "eax");
#elif defined(PRIV_iret_to_kernel)
  /* An interrupt return frame into the ring-0 code selector. */
  __asm__ volatile("pushfl\n\tpushl $0x08\n\tpushl $1f\n\tiret\n1:");
#endif
}
