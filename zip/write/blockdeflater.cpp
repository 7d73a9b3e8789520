// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#include "write/blockdeflater_p.h"

#include <cmath>
#include <cstring>

namespace {

// Raw deflate (no zlib header or trailer), 32 KiB window, zlib's default
// memory level: the parameters of the serial writer.
constexpr int RawDeflateWindowBits = -15;
constexpr int DeflateMemLevel = 8;

// Largest length of one stored deflate block, and its header: one byte with
// the final bit and the type (the block starts on a byte boundary), then the
// length and its complement, two bytes each.
constexpr int MaxStoredBlock = 65535;
constexpr int StoredHeaderSize = 5;

// Room for the few bytes that end an empty stream.
constexpr int EmptyBlockRoom = 16;

// A block shrank when it saves at least 1/ShrinkDivisor of its size; Huffman
// codes are tried only when the byte statistics promise 1/EntropyDivisor.
constexpr int ShrinkDivisor = 64;
constexpr int EntropyDivisor = 128;

} // namespace

BlockDeflater::BlockDeflater()
{
    memset(&m_stream, 0, sizeof m_stream);
}

BlockDeflater::~BlockDeflater()
{
    if (m_ready)
        deflateEnd(&m_stream);
}

bool BlockDeflater::ensureStream()
{
    if (!m_ready) {
        m_ready = deflateInit2(&m_stream, Z_BEST_COMPRESSION, Z_DEFLATED, RawDeflateWindowBits, DeflateMemLevel,
                               Z_DEFAULT_STRATEGY)
            == Z_OK;
    }
    return m_ready;
}

int BlockDeflater::storedLength(int length, bool last)
{
    const int blocks = length == 0 ? (last ? 1 : 0) : (length + MaxStoredBlock - 1) / MaxStoredBlock;
    return length + blocks * StoredHeaderSize;
}

int BlockDeflater::outputCapacity(int length)
{
    return qMax(storedLength(length, true), EmptyBlockRoom);
}

int BlockDeflater::writeStored(const unsigned char *data, int length, bool last, unsigned char *out)
{
    unsigned char *p = out;
    int left = length;
    do {
        const int n = qMin(left, MaxStoredBlock);
        left -= n;
        if (n == 0 && !last)
            break;
        *p++ = (last && left == 0) ? 1 : 0; // final bit, type 00 (stored)
        *p++ = uchar(n & 0xff);
        *p++ = uchar(n >> 8);
        *p++ = uchar(~n & 0xff);
        *p++ = uchar((~n >> 8) & 0xff);
        memcpy(p, data, size_t(n));
        p += n;
        data += n;
    } while (left > 0);
    return int(p - out);
}

bool BlockDeflater::bytesMayShrink(const unsigned char *data, int length)
{
    if (length < 4096)
        return true;
    // Four tables, so that runs of one byte value do not wait on themselves.
    quint32 counts[4][256];
    memset(counts, 0, sizeof counts);
    int i = 0;
    for (; i + 4 <= length; i += 4) {
        ++counts[0][data[i]];
        ++counts[1][data[i + 1]];
        ++counts[2][data[i + 2]];
        ++counts[3][data[i + 3]];
    }
    for (; i < length; ++i)
        ++counts[0][data[i]];

    const double n = length;
    double bits = 0;
    for (int v = 0; v < 256; ++v) {
        const double c = double(counts[0][v]) + counts[1][v] + counts[2][v] + counts[3][v];
        if (c > 0)
            bits += c * std::log2(n / c);
    }
    return bits / 8 < n - n / EntropyDivisor;
}

// One deflate call over the whole block; *fits tells whether the result is
// complete and shorter than the block (or, for an empty block, complete).
bool BlockDeflater::runDeflate(const Input &in, int level, int strategy, unsigned char *out, int *produced,
                               bool *fits)
{
    if (!ensureStream() || deflateReset(&m_stream) != Z_OK || deflateParams(&m_stream, level, strategy) != Z_OK)
        return false;
    if (in.dictionaryLength > 0
        && deflateSetDictionary(&m_stream, in.dictionary, uInt(in.dictionaryLength)) != Z_OK) {
        return false;
    }
    const int room = in.length > 0 ? in.length : EmptyBlockRoom;
    m_stream.next_in = const_cast<unsigned char *>(in.data);
    m_stream.avail_in = uInt(in.length);
    m_stream.next_out = out;
    m_stream.avail_out = uInt(room);
    const int ret = ::deflate(&m_stream, in.last ? Z_FINISH : Z_SYNC_FLUSH);
    if (ret == Z_STREAM_ERROR)
        return false;
    *produced = room - int(m_stream.avail_out);
    // A sync flush is complete when room is left after it.
    *fits = in.last ? ret == Z_STREAM_END : (ret == Z_OK && m_stream.avail_out > 0);
    return true;
}

bool BlockDeflater::deflate(const Input &in, int level, int strategy, Mode mode, unsigned char *out,
                            Output *result)
{
    int produced = 0;
    bool fits = false;
    if (mode == Search) {
        if (!runDeflate(in, level, strategy, out, &produced, &fits))
            return false;
    } else if (in.length == 0 || bytesMayShrink(in.data, in.length)) {
        Input plain = in;
        plain.dictionaryLength = 0; // Huffman codes alone use no history
        if (!runDeflate(plain, 1, Z_HUFFMAN_ONLY, out, &produced, &fits))
            return false;
        if (fits && produced <= in.length - in.length / ShrinkDivisor) {
            // Compressible data again: this block gets the full search too,
            // so that the change costs nothing.
            return deflate(in, level, strategy, Search, out, result);
        }
    }

    if (fits) {
        result->length = produced;
        result->stored = false;
        result->shrank = produced <= in.length - in.length / ShrinkDivisor;
    } else {
        result->length = writeStored(in.data, in.length, in.last, out);
        result->stored = true;
        result->shrank = false;
    }
    return true;
}
