// SPDX-License-Identifier: GPL-3.0-or-later
/* Clocks the game's frames from outside, for bench/run. Preloaded into the game
 * (LD_PRELOAD), it notes the monotonic time of every fill request the game sends the X
 * server (xcb_poly_fill_rectangle, which Qt itself never sends: one a frame, and every tick
 * that moves a bomb brings a frame), with the calling thread's heap allocations so far when
 * bench/alloc_counter is preloaded too (-1 otherwise). Once Frames frames are noted it
 * writes them to the file named by CRAWLIX_FRAME_CLOCK, one a line, whole or not at all. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <stdio.h>
#include <stdlib.h>
#include <time.h>
#include <xcb/xcb.h>

enum { Frames = 2000 };

extern unsigned long long crawlix_allocations(void) __attribute__((weak));

static struct {
    long long time_ns;
    long long allocations;
} frames[Frames];
static int noted;

static void write_frames(void)
{
    const char* path = getenv("CRAWLIX_FRAME_CLOCK");
    if (!path)
        return;
    char part[4096];
    snprintf(part, sizeof part, "%s.part", path);
    FILE* file = fopen(part, "w");
    if (!file)
        return;
    fputs("time_ns allocations\n", file);
    for (int i = 0; i < Frames; ++i)
        fprintf(file, "%lld %lld\n", frames[i].time_ns, frames[i].allocations);
    if (fclose(file) == 0)
        rename(part, path);
}

xcb_void_cookie_t xcb_poly_fill_rectangle(xcb_connection_t* c, xcb_drawable_t drawable,
                                          xcb_gcontext_t gc, uint32_t count,
                                          const xcb_rectangle_t* rectangles)
{
    static xcb_void_cookie_t (*next)(xcb_connection_t*, xcb_drawable_t, xcb_gcontext_t,
                                     uint32_t, const xcb_rectangle_t*);
    if (!next)
        next = dlsym(RTLD_NEXT, "xcb_poly_fill_rectangle");
    if (noted < Frames) {
        struct timespec now;
        clock_gettime(CLOCK_MONOTONIC, &now);
        frames[noted].time_ns = (long long)now.tv_sec * 1000000000LL + now.tv_nsec;
        frames[noted].allocations
            = crawlix_allocations ? (long long)crawlix_allocations() : -1;
        if (++noted == Frames)
            write_frames();
    }
    return next(c, drawable, gc, count, rectangles);
}
