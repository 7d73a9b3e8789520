// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#include "read/inflater_p.h"

#include <zlib.h>

#include <climits>

struct Inflater::State
{
    z_stream stream;
    bool begun = false;
};

Inflater::Inflater()
    : d(new State)
{
}

Inflater::~Inflater()
{
    end();
    delete d;
}

bool Inflater::begin()
{
    end();
    d->stream.zalloc = Z_NULL;
    d->stream.zfree = Z_NULL;
    d->stream.opaque = Z_NULL;
    d->stream.next_in = Z_NULL;
    d->stream.avail_in = 0;
    // Negative window bits: a raw deflate stream without header or trailer.
    if (inflateInit2(&d->stream, -MAX_WBITS) != Z_OK)
        return false;
    d->begun = true;
    return true;
}

void Inflater::end()
{
    if (d->begun) {
        inflateEnd(&d->stream);
        d->begun = false;
    }
}

void Inflater::setInput(const unsigned char *data, unsigned int size)
{
    d->stream.next_in = const_cast<Bytef *>(data);
    d->stream.avail_in = size;
}

unsigned int Inflater::availableInput() const
{
    return d->stream.avail_in;
}

Inflater::Status Inflater::inflate(unsigned char *out, unsigned int outSize, unsigned int *produced)
{
    d->stream.next_out = out;
    d->stream.avail_out = outSize;
    const int rc = ::inflate(&d->stream, Z_NO_FLUSH);
    *produced = outSize - d->stream.avail_out;
    switch (rc) {
    case Z_STREAM_END:
        return StreamEnd;
    case Z_NEED_DICT:
    case Z_DATA_ERROR:
    case Z_MEM_ERROR:
        return DataError;
    default:
        return Ok;
    }
}

const char *Inflater::backendName()
{
    return "zlib";
}
