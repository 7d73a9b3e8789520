// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#ifndef KELVANE_BLOCKDEFLATER_P_H
#define KELVANE_BLOCKDEFLATER_P_H

//
//  W A R N I N G
//  -------------
// This file is not part of the public API. It may change without notice.
//
// Deflates one block of an entry so that the blocks of the entry, compressed
// independently and joined in order, form one valid raw deflate stream:
// every block but the last ends on a byte boundary (a sync flush, or stored
// blocks), the last one carries the final-block bit. A block after the first
// is primed with the 32 KiB before it, so that its matches reach back across
// the join as they would in one stream.
//
// A block that does not get smaller is emitted as stored deflate blocks, its
// bytes copied as they are. Two ways of coding are offered: Search, the full
// match search of the level, and Plain, Huffman codes of the bytes without
// any match search, for data that has just shown it does not compress; a
// Plain block whose byte statistics leave no room for a gain is stored at
// once, at the cost of counting its bytes, and one that shrinks after all is
// coded again with the full search.

#include <QtCore/QtGlobal>

#include <zlib.h>

class BlockDeflater
{
public:
    enum Mode { Search,
                Plain };

    // Bytes of history a block is primed with.
    static constexpr int DictionarySize = 32768;

    struct Input
    {
        const unsigned char *dictionary = nullptr; // the bytes just before data
        int dictionaryLength = 0;
        const unsigned char *data = nullptr;
        int length = 0;
        bool last = true; // the block ends the entry's deflate stream
    };

    struct Output
    {
        int length = 0;      // bytes written to the output buffer
        bool stored = false; // emitted as stored blocks
        // Whether the block shrank enough that the next block is worth the
        // match search: by at least 1/64 of its size.
        bool shrank = false;
    };

    BlockDeflater();
    ~BlockDeflater();
    BlockDeflater(const BlockDeflater &) = delete;
    BlockDeflater &operator=(const BlockDeflater &) = delete;

    // Compresses in into out, which holds at least outputCapacity(in.length)
    // bytes. Level 1..9 and a zlib strategy apply to Search; Plain ignores
    // them. False when zlib fails (out of memory), *result is then unset.
    bool deflate(const Input &in, int level, int strategy, Mode mode, unsigned char *out, Output *result);

    // Room the output of a block of the given length needs.
    static int outputCapacity(int length);
    // Length of the stored-block form of a block.
    static int storedLength(int length, bool last);
    // Writes the stored-block form; returns its length.
    static int writeStored(const unsigned char *data, int length, bool last, unsigned char *out);
    // Whether Huffman codes of the bytes alone could save anything: the
    // order-0 entropy of the bytes, a bound no Huffman code beats, is below
    // 8 bits a byte by a margin.
    static bool bytesMayShrink(const unsigned char *data, int length);

private:
    bool ensureStream();
    bool runDeflate(const Input &in, int level, int strategy, unsigned char *out, int *produced, bool *fits);

    z_stream m_stream;
    bool m_ready = false;
};

#endif // KELVANE_BLOCKDEFLATER_P_H
