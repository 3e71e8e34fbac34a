/* Preloaded into Wine's i386 loader when it runs under qemu-user, which leaves
   the trap number of the i386 signal context at -1. Wine's i386 fault handlers
   dispatch on it, so every fault would become "illegal instruction" and no
   program could handle its own exceptions. This wraps sigaction for the fault
   signals and fills the trap number from the signal and its code before
   Wine's handler runs. Freestanding: no i386 headers or libraries are needed. */

typedef void (*handler_t)(int, void*, void*);

struct kv_sigaction { /* glibc's i386 struct sigaction */
    handler_t handler;
    unsigned long mask[32];
    int flags;
    void (*restorer)(void);
};

#define KV_SA_SIGINFO 4
#define KV_NSIG 65
#define KV_REG_TRAPNO 12
#define KV_GREGS_OFFSET 20 /* uc_flags, uc_link, uc_stack */

extern void* dlsym(void*, const char*);
extern int unsetenv(const char*);
#define KV_RTLD_NEXT ((void*)-1l)

static int (*real_sigaction)(int, const struct kv_sigaction*, struct kv_sigaction*);
static struct kv_sigaction wine_actions[KV_NSIG];

/* The x86 exception vector for a signal, as the kernel would have reported it. */
static int trap_of(int sig, int code) {
    switch (sig) {
    case 11: /* SIGSEGV: a page fault, or a protection fault (SI_KERNEL) */
        return code == 0x80 ? 13 : 14;
    case 4: /* SIGILL */
        return 6;
    case 8: /* SIGFPE */
        switch (code) {
        case 1:
            return 0; /* FPE_INTDIV */
        case 2:
            return 4; /* FPE_INTOVF */
        default:
            return 16; /* an x87 fault */
        }
    case 7: /* SIGBUS */
        return 17;
    case 5: /* SIGTRAP: a single step, or a breakpoint */
        return code == 2 ? 1 : 3;
    default:
        return -1;
    }
}

static void relay(int sig, void* info, void* context) {
    int* trapno = (int*)((char*)context + KV_GREGS_OFFSET) + KV_REG_TRAPNO;
    if (*trapno == -1)
        *trapno = trap_of(sig, ((int*)info)[2]);
    struct kv_sigaction* wine = &wine_actions[sig];
    if (wine->flags & KV_SA_SIGINFO)
        wine->handler(sig, info, context);
    else
        ((void (*)(int))(void*)wine->handler)(sig);
}

static int is_fault(int sig) {
    return sig == 4 || sig == 5 || sig == 7 || sig == 8 || sig == 11;
}

int sigaction(int sig, const struct kv_sigaction* act, struct kv_sigaction* old) {
    if (!real_sigaction)
        real_sigaction = dlsym(KV_RTLD_NEXT, "sigaction");
    if (!is_fault(sig) || !act || (unsigned long)act->handler <= 1) {
        int ret = real_sigaction(sig, act, old);
        if (ret == 0 && old && is_fault(sig) && old->handler == (handler_t)relay)
            *old = wine_actions[sig];
        return ret;
    }
    struct kv_sigaction mine = *act;
    mine.handler = relay;
    mine.flags |= KV_SA_SIGINFO;
    struct kv_sigaction previous = wine_actions[sig];
    wine_actions[sig] = *act;
    int ret = real_sigaction(sig, &mine, old);
    if (ret != 0)
        wine_actions[sig] = previous;
    else if (old && old->handler == (handler_t)relay)
        *old = previous;
    return ret;
}

/* Only this process: the 64-bit programs it starts must not load it. */
__attribute__((constructor)) static void forget_preload(void) {
    unsetenv("LD_PRELOAD");
}
