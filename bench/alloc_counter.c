// SPDX-License-Identifier: GPL-3.0-or-later
/* Counts the heap allocations of each thread, for bench/run: preloaded into the game
 * (LD_PRELOAD), it passes every allocation on to the C library and exports the calling
 * thread's count as crawlix_allocations(), which bench/frame_clock reads at every frame. */
#define _GNU_SOURCE
#include <stddef.h>

extern void* __libc_malloc(size_t size);
extern void* __libc_calloc(size_t count, size_t size);
extern void* __libc_realloc(void* pointer, size_t size);
extern void* __libc_memalign(size_t alignment, size_t size);

static __thread unsigned long long allocations __attribute__((tls_model("initial-exec")));

unsigned long long crawlix_allocations(void) { return allocations; }

void* malloc(size_t size)
{
    ++allocations;
    return __libc_malloc(size);
}

void* calloc(size_t count, size_t size)
{
    ++allocations;
    return __libc_calloc(count, size);
}

void* realloc(void* pointer, size_t size)
{
    ++allocations;
    return __libc_realloc(pointer, size);
}

void* memalign(size_t alignment, size_t size)
{
    ++allocations;
    return __libc_memalign(alignment, size);
}

void* aligned_alloc(size_t alignment, size_t size)
{
    ++allocations;
    return __libc_memalign(alignment, size);
}

int posix_memalign(void** pointer, size_t alignment, size_t size)
{
    ++allocations;
    void* block = __libc_memalign(alignment, size);
    if (!block)
        return 12; /* ENOMEM */
    *pointer = block;
    return 0;
}
