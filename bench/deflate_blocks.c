// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

// Would libdeflate serve the parallel writer's blocks? Deflates a file in
// blocks of 256 KiB, as the parallel mode does, with zlib (each block primed
// with the 32 KiB before it and ended with a sync flush, so that the blocks
// join into one stream) and with libdeflate (which has no way to prime a
// block or to leave it open: each block on its own), at levels 6 and 9, and
// prints the CPU time (one thread) and the total size of each.
//
//     cc -O2 -o deflate_blocks bench/deflate_blocks.c -lz -ldeflate
//     ./deflate_blocks FILE
#include <libdeflate.h>
#include <zlib.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

enum { BlockSize = 256 * 1024,
       Window = 32768 };

static double now(void)
{
    struct timespec t;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec + t.tv_nsec / 1e9;
}

static size_t zlibBlocks(const unsigned char *data, size_t size, int level, unsigned char *out, size_t room)
{
    size_t total = 0;
    for (size_t at = 0; at < size; at += BlockSize) {
        const size_t length = size - at < BlockSize ? size - at : BlockSize;
        z_stream z;
        memset(&z, 0, sizeof z);
        if (deflateInit2(&z, level, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK)
            exit(1);
        if (at > 0)
            deflateSetDictionary(&z, data + at - Window, Window);
        z.next_in = (unsigned char *)data + at;
        z.avail_in = (uInt)length;
        z.next_out = out;
        z.avail_out = (uInt)room;
        deflate(&z, at + length == size ? Z_FINISH : Z_SYNC_FLUSH);
        total += room - z.avail_out;
        deflateEnd(&z);
    }
    return total;
}

static size_t libdeflateBlocks(const unsigned char *data, size_t size, int level, unsigned char *out, size_t room)
{
    struct libdeflate_compressor *c = libdeflate_alloc_compressor(level);
    size_t total = 0;
    for (size_t at = 0; at < size; at += BlockSize) {
        const size_t length = size - at < BlockSize ? size - at : BlockSize;
        total += libdeflate_deflate_compress(c, data + at, length, out, room);
    }
    libdeflate_free_compressor(c);
    return total;
}

int main(int argc, char **argv)
{
    if (argc != 2) {
        fprintf(stderr, "usage: %s FILE\n", argv[0]);
        return 2;
    }
    FILE *f = fopen(argv[1], "rb");
    if (!f)
        return 2;
    fseek(f, 0, SEEK_END);
    const size_t size = (size_t)ftell(f);
    fseek(f, 0, SEEK_SET);
    unsigned char *data = malloc(size);
    if (fread(data, 1, size, f) != size)
        return 2;
    fclose(f);
    const size_t room = 2 * BlockSize;
    unsigned char *out = malloc(room);
    printf("%zu bytes in blocks of %d\n", size, BlockSize);
    for (int level = 6; level <= 9; level += 3) {
        double t = now();
        const size_t zs = zlibBlocks(data, size, level, out, room);
        const double zt = now() - t;
        t = now();
        const size_t ds = libdeflateBlocks(data, size, level, out, room);
        const double dt = now() - t;
        printf("level %d: zlib %.3f s %zu bytes; libdeflate %.3f s %zu bytes: %.2fx faster, %+.2f%% size\n", level,
               zt, zs, dt, ds, zt / dt, (double)ds / (double)zs * 100.0 - 100.0);
    }
    return 0;
}
