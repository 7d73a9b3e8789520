// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

// Methods 14 (LZMA) and 95 (xz), decoded with liblzma.
//
// An LZMA entry starts with its own header: two bytes of encoder version,
// two bytes giving the size of the properties (5), and the properties (the
// lc/lp/pb byte and the dictionary size). The raw LZMA data follows, ended
// either by the entry's uncompressed size or, when flag bit 1 is set, by an
// end marker. liblzma's .lzma decoder reads exactly that after a 13-byte
// header made here from those properties and the size.
//
// An xz entry is one whole .xz stream, with its own integrity check.

#include "read/decoder_p.h"

#include "common/zipformat_p.h"

#include <lzma.h>

#include <cstring>

namespace {

// Memory a stream may ask for (mostly its dictionary). Streams made with
// the largest dictionaries of the common tools stay below it; a hostile
// header cannot make the reader allocate more.
constexpr quint64 MemoryLimit = quint64(1) << 30;

class LibLzmaDecoder : public Decoder
{
public:
    ~LibLzmaDecoder() override { end(); }

    void end() override
    {
        if (m_begun) {
            lzma_end(&m_stream);
            m_stream = LZMA_STREAM_INIT;
            m_begun = false;
        }
    }

    void setInput(const unsigned char *data, unsigned int size) override
    {
        m_input = data;
        m_available = size;
    }

    unsigned int availableInput() const override { return m_available; }

protected:
    Status code(unsigned char *out, unsigned int outSize, unsigned int *produced)
    {
        m_stream.next_in = m_input;
        m_stream.avail_in = m_available;
        m_stream.next_out = out;
        m_stream.avail_out = outSize;
        const lzma_ret rc = lzma_code(&m_stream, LZMA_RUN);
        *produced = outSize - unsigned(m_stream.avail_out);
        m_input = m_stream.next_in;
        m_available = unsigned(m_stream.avail_in);
        switch (rc) {
        case LZMA_OK:
            return Ok;
        case LZMA_STREAM_END:
            return StreamEnd;
        case LZMA_BUF_ERROR:
            // No progress possible: the loop supplies more input or stops.
            return Ok;
        default:
            return DataError;
        }
    }

    lzma_stream m_stream = LZMA_STREAM_INIT;
    bool m_begun = false;
    const unsigned char *m_input = nullptr;
    unsigned int m_available = 0;
};

class LzmaDecoder : public LibLzmaDecoder
{
public:
    bool begin(const Stream &stream) override
    {
        end();
        m_entry = stream;
        m_headerFill = 0;
        m_input = nullptr;
        m_available = 0;
        return true;
    }

    Status decode(unsigned char *out, unsigned int outSize, unsigned int *produced) override
    {
        *produced = 0;
        if (!m_begun) {
            const Status status = readHeader(out, outSize);
            if (status != Ok || !m_begun)
                return status;
        }
        return code(out, outSize, produced);
    }

private:
    static constexpr int VersionSize = 2;
    static constexpr int PropertiesSizeField = 2;
    static constexpr int PropertiesSize = 5;
    static constexpr int HeaderSize = VersionSize + PropertiesSizeField + PropertiesSize;
    static constexpr int AloneHeaderSize = PropertiesSize + 8;
    static constexpr quint32 MinDictionary = 4096;

    // Collects the entry's header from the input; once whole, starts
    // liblzma on the equivalent .lzma header.
    Status readHeader(unsigned char *out, unsigned int outSize)
    {
        const unsigned int take = qMin(m_available, unsigned(HeaderSize - m_headerFill));
        std::memcpy(m_header + m_headerFill, m_input, take);
        m_headerFill += int(take);
        m_input += take;
        m_available -= take;
        if (m_headerFill >= VersionSize + PropertiesSizeField
            && ZipFormat::readUShort(m_header + VersionSize) != PropertiesSize) {
            return DataError;
        }
        if (m_headerFill < HeaderSize)
            return Ok;

        const unsigned char *properties = m_header + VersionSize + PropertiesSizeField;
        unsigned char alone[AloneHeaderSize];
        alone[0] = properties[0];
        // No match may reach further back than the whole output, so a
        // dictionary larger than the entry is cut to its size: the output is
        // the same, the memory is not.
        const quint64 dictionary = qMax<quint64>(MinDictionary,
                                                 qMin<quint64>(ZipFormat::readUInt(properties + 1),
                                                               m_entry.uncompressedSize));
        ZipFormat::writeUInt(alone + 1, quint32(dictionary));
        // With an end marker the size is left unknown, so the marker ends the
        // stream; without one, the recorded size does.
        const bool endMarker = m_entry.flags & ZipFormat::FlagLzmaEndMarker;
        const quint64 size = endMarker ? ~quint64(0) : m_entry.uncompressedSize;
        for (int i = 0; i < 8; ++i)
            alone[PropertiesSize + i] = uchar(size >> (8 * i));

        if (lzma_alone_decoder(&m_stream, MemoryLimit) != LZMA_OK)
            return DataError;
        m_begun = true;
        const unsigned char *pending = m_input;
        const unsigned int pendingSize = m_available;
        m_input = alone;
        m_available = AloneHeaderSize;
        unsigned int produced = 0;
        const Status status = code(out, outSize, &produced);
        const bool consumed = m_available == 0;
        m_input = pending;
        m_available = pendingSize;
        if (status == DataError || !consumed || produced != 0)
            return DataError;
        return status; // StreamEnd for an empty entry without end marker
    }

    Stream m_entry;
    unsigned char m_header[HeaderSize];
    int m_headerFill = 0;
};

class XzDecoder : public LibLzmaDecoder
{
public:
    bool begin(const Stream &) override
    {
        end();
        m_input = nullptr;
        m_available = 0;
        if (lzma_stream_decoder(&m_stream, MemoryLimit, 0) != LZMA_OK)
            return false;
        m_begun = true;
        return true;
    }

    Status decode(unsigned char *out, unsigned int outSize, unsigned int *produced) override
    {
        *produced = 0;
        if (!m_begun)
            return DataError;
        return code(out, outSize, produced);
    }
};

} // namespace

std::unique_ptr<Decoder> createLzmaDecoder()
{
    return std::make_unique<LzmaDecoder>();
}

std::unique_ptr<Decoder> createXzDecoder()
{
    return std::make_unique<XzDecoder>();
}
