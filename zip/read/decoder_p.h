// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#ifndef KELVANE_DECODER_P_H
#define KELVANE_DECODER_P_H

//
//  W A R N I N G
//  -------------
// This file is not part of the public API. It may change without notice.
//
// One interface for every compression method the reader decodes: stored
// data, raw deflate (through the Inflater back end), bzip2, LZMA, Zstandard
// and xz. The extraction loop feeds each decoder the entry's compressed bytes
// in chunks and takes its output in chunks; it alone bounds input and output
// and checks the CRC-32, so those rules are the same for every method.

#include <QtCore/QtGlobal>

#include <memory>

class Decoder
{
public:
    enum Status {
        Ok,        // progress made, or more input or output room needed
        StreamEnd, // the compressed stream ended
        DataError  // the stream is invalid, or the library ran out of memory
    };

    // What the entry records about the stream about to be decoded.
    struct Stream
    {
        quint64 compressedSize = 0;   // bytes of compressed data (no encryption headers)
        quint64 uncompressedSize = 0; // bytes the stream must decode to
        quint16 flags = 0;            // the general purpose flags
    };

    virtual ~Decoder();

    // Starts a new stream; false when the library cannot set one up.
    virtual bool begin(const Stream &stream) = 0;
    // Releases what begin() set up (memory held between entries may stay).
    virtual void end() = 0;

    virtual void setInput(const unsigned char *data, unsigned int size) = 0;
    virtual unsigned int availableInput() const = 0;

    // Decodes into out, at most outSize bytes; *produced receives the count.
    // A call that fills out may leave more output for the next call.
    virtual Status decode(unsigned char *out, unsigned int outSize, unsigned int *produced) = 0;

    // True when the output is the input itself (stored data): the loop may
    // then take the input chunks as they are instead of calling decode().
    virtual bool passesInputThrough() const { return false; }

    // A decoder for the method (as stored in the headers), or null when the
    // reader does not decode it. Methods that this build can decode:
    // isDecodable() is true for them.
    static std::unique_ptr<Decoder> create(quint16 method);
    static bool isDecodable(quint16 method);

protected:
    Decoder() = default;

private:
    Q_DISABLE_COPY(Decoder)
};

// The decoders for the methods of the system libraries (one file each).
std::unique_ptr<Decoder> createBzip2Decoder();
std::unique_ptr<Decoder> createLzmaDecoder();
std::unique_ptr<Decoder> createXzDecoder();
std::unique_ptr<Decoder> createZstdDecoder();

#endif // KELVANE_DECODER_P_H
