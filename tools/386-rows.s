# What audit-386 must catch and what it must let through: one instruction a line,
# "# 386" when an 80386 with a 387 has it, "# not 386" when it does not.
	mov %eax, %ebx               # 386
	rep stosb                    # 386
	bsf %eax, %ecx               # 386
	fucomp %st(1)                # 386
	fnstsw %ax                   # 386
	sahf                         # 386
	fsin                         # 386
	fistpll (%esp)               # 386
	nop                          # 386
	xchg %ax, %ax                # 386
	lea 0(%esi), %esi            # 386
	bswap %eax                   # not 386
	lock cmpxchg %ecx, (%edx)    # not 386
	xadd %eax, (%ebx)            # not 386
	cpuid                        # not 386
	rdtsc                        # not 386
	cmpxchg8b (%esi)             # not 386
	cmovl %eax, %ebx             # not 386
	cmovne %edx, %ecx            # not 386
	fcmovb %st(1), %st           # not 386
	fcomi %st(1), %st            # not 386
	fcomip %st(1), %st           # not 386
	fucomi %st(1), %st           # not 386
	fucomip %st(1), %st          # not 386
	nopw 0x0(%eax,%eax,1)        # not 386
	nopl 0x0(%eax)               # not 386
	ud2                          # not 386
	pause                        # not 386
	emms                         # not 386
	paddb %mm1, %mm0             # not 386
	movd %eax, %xmm0             # not 386
	addss %xmm1, %xmm0           # not 386
	prefetchnta (%eax)           # not 386
	fisttpl (%esp)               # not 386
	popcnt %eax, %ebx            # not 386
	tzcnt %eax, %ebx             # not 386
