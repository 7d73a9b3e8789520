// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

// Method 93: one Zstandard frame, decoded with libzstd. The context is kept
// from entry to entry and reset for each.

#include "read/decoder_p.h"

#include <zstd.h>

namespace {

class ZstdDecoder : public Decoder
{
public:
    ~ZstdDecoder() override { ZSTD_freeDCtx(m_context); }

    bool begin(const Stream &) override
    {
        if (!m_context)
            m_context = ZSTD_createDCtx();
        if (!m_context)
            return false;
        // The library's default window limit (128 MiB) bounds the memory a
        // frame header can ask for.
        if (ZSTD_isError(ZSTD_DCtx_reset(m_context, ZSTD_reset_session_only)))
            return false;
        m_input = ZSTD_inBuffer{nullptr, 0, 0};
        return true;
    }

    void end() override { }

    void setInput(const unsigned char *data, unsigned int size) override
    {
        m_input = ZSTD_inBuffer{data, size, 0};
    }

    unsigned int availableInput() const override { return unsigned(m_input.size - m_input.pos); }

    Status decode(unsigned char *out, unsigned int outSize, unsigned int *produced) override
    {
        ZSTD_outBuffer output{out, outSize, 0};
        const size_t rc = ZSTD_decompressStream(m_context, &output, &m_input);
        *produced = unsigned(output.pos);
        if (ZSTD_isError(rc))
            return DataError;
        // 0: the frame is complete and flushed.
        return rc == 0 ? StreamEnd : Ok;
    }

private:
    ZSTD_DCtx *m_context = nullptr;
    ZSTD_inBuffer m_input{nullptr, 0, 0};
};

} // namespace

std::unique_ptr<Decoder> createZstdDecoder()
{
    return std::make_unique<ZstdDecoder>();
}
