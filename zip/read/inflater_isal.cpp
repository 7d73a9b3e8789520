// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#include "read/inflater_p.h"

#include <isa-l/igzip_lib.h>

#include <climits>

// The ISA-L back end: the same raw deflate streams, decoded with Intel's
// table-driven inflate.
struct Inflater::State
{
    inflate_state stream;
};

Inflater::Inflater()
    : d(new State)
{
    isal_inflate_init(&d->stream);
}

Inflater::~Inflater()
{
    delete d;
}

bool Inflater::begin()
{
    isal_inflate_init(&d->stream);
    d->stream.crc_flag = ISAL_DEFLATE; // raw stream: no header, no trailer
    d->stream.hist_bits = 0;           // full 32 KiB window
    return true;
}

void Inflater::end()
{
}

void Inflater::setInput(const unsigned char *data, unsigned int size)
{
    d->stream.next_in = const_cast<uint8_t *>(data);
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
    const int rc = isal_inflate(&d->stream);
    *produced = outSize - d->stream.avail_out;
    if (rc < 0 || rc == ISAL_NEED_DICT)
        return DataError;
    return d->stream.block_state == ISAL_BLOCK_FINISH ? StreamEnd : Ok;
}

const char *Inflater::backendName()
{
    return "isal";
}
