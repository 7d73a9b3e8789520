// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

// Method 12: one bzip2 stream, decoded with libbz2.

#include "read/decoder_p.h"

#include <bzlib.h>

#include <cstring>

namespace {

class Bzip2Decoder : public Decoder
{
public:
    ~Bzip2Decoder() override { end(); }

    bool begin(const Stream &) override
    {
        end();
        std::memset(&m_stream, 0, sizeof m_stream);
        // verbosity 0, small 0: the faster decoder (about 3.6 MB at most).
        if (BZ2_bzDecompressInit(&m_stream, 0, 0) != BZ_OK)
            return false;
        m_begun = true;
        return true;
    }

    void end() override
    {
        if (m_begun) {
            BZ2_bzDecompressEnd(&m_stream);
            m_begun = false;
        }
    }

    void setInput(const unsigned char *data, unsigned int size) override
    {
        m_stream.next_in = const_cast<char *>(reinterpret_cast<const char *>(data));
        m_stream.avail_in = size;
    }

    unsigned int availableInput() const override { return m_stream.avail_in; }

    Status decode(unsigned char *out, unsigned int outSize, unsigned int *produced) override
    {
        *produced = 0;
        if (!m_begun)
            return DataError;
        m_stream.next_out = reinterpret_cast<char *>(out);
        m_stream.avail_out = outSize;
        const int rc = BZ2_bzDecompress(&m_stream);
        *produced = outSize - m_stream.avail_out;
        switch (rc) {
        case BZ_OK:
            return Ok;
        case BZ_STREAM_END:
            return StreamEnd;
        default:
            return DataError;
        }
    }

private:
    bz_stream m_stream;
    bool m_begun = false;
};

} // namespace

std::unique_ptr<Decoder> createBzip2Decoder()
{
    return std::make_unique<Bzip2Decoder>();
}
