// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#include "read/decoder_p.h"

#include "read/inflater_p.h"
#include "common/zipformat_p.h"

#include <cstring>

namespace {

// Stored data: the output is the input. The stream ends where the entry's
// compressed bytes end.
class StoredDecoder : public Decoder
{
public:
    bool begin(const Stream &stream) override
    {
        m_remaining = stream.compressedSize;
        m_input = nullptr;
        m_available = 0;
        return true;
    }

    void end() override { }

    void setInput(const unsigned char *data, unsigned int size) override
    {
        m_input = data;
        m_available = size;
    }

    unsigned int availableInput() const override { return m_available; }
    bool passesInputThrough() const override { return true; }

    Status decode(unsigned char *out, unsigned int outSize, unsigned int *produced) override
    {
        const unsigned int n = qMin(outSize, m_available);
        if (n != 0)
            std::memcpy(out, m_input, n);
        m_input += n;
        m_available -= n;
        m_remaining -= qMin<quint64>(m_remaining, n);
        *produced = n;
        return m_remaining == 0 ? StreamEnd : Ok;
    }

private:
    const unsigned char *m_input = nullptr;
    unsigned int m_available = 0;
    quint64 m_remaining = 0;
};

// Raw deflate through the back end chosen when the component is built.
class DeflateDecoder : public Decoder
{
public:
    bool begin(const Stream &) override { return m_inflater.begin(); }
    void end() override { m_inflater.end(); }

    void setInput(const unsigned char *data, unsigned int size) override { m_inflater.setInput(data, size); }
    unsigned int availableInput() const override { return m_inflater.availableInput(); }

    Status decode(unsigned char *out, unsigned int outSize, unsigned int *produced) override
    {
        switch (m_inflater.inflate(out, outSize, produced)) {
        case Inflater::Ok:
            return Ok;
        case Inflater::StreamEnd:
            return StreamEnd;
        case Inflater::DataError:
            break;
        }
        return DataError;
    }

private:
    Inflater m_inflater;
};

} // namespace

Decoder::~Decoder() = default;

std::unique_ptr<Decoder> Decoder::create(quint16 method)
{
    switch (method) {
    case ZipFormat::MethodStored:
        return std::make_unique<StoredDecoder>();
    case ZipFormat::MethodDeflated:
        return std::make_unique<DeflateDecoder>();
#if KELVANE_HAVE_BZIP2
    case ZipFormat::MethodBzip2:
        return createBzip2Decoder();
#endif
#if KELVANE_HAVE_LZMA
    case ZipFormat::MethodLzma:
        return createLzmaDecoder();
    case ZipFormat::MethodXz:
        return createXzDecoder();
#endif
#if KELVANE_HAVE_ZSTD
    case ZipFormat::MethodZstd:
        return createZstdDecoder();
#endif
    default:
        return nullptr;
    }
}

// The methods of libraries the build left out (KELVANE_WITH_BZIP2, _LZMA,
// _ZSTD OFF) are not decodable: their entries are skipped as of an
// unsupported method.
bool Decoder::isDecodable(quint16 method)
{
    switch (method) {
    case ZipFormat::MethodStored:
    case ZipFormat::MethodDeflated:
        return true;
    case ZipFormat::MethodBzip2:
        return KELVANE_HAVE_BZIP2;
    case ZipFormat::MethodLzma:
    case ZipFormat::MethodXz:
        return KELVANE_HAVE_LZMA;
    case ZipFormat::MethodZstd:
        return KELVANE_HAVE_ZSTD;
    default:
        return false;
    }
}
