// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#ifndef KELVANE_INFLATER_P_H
#define KELVANE_INFLATER_P_H

//
//  W A R N I N G
//  -------------
// This file is not part of the public API. It may change without notice.
//
// Raw deflate decompression (no zlib header or trailer), behind one
// small interface so that the back end can be chosen when the component is
// built. zlib is the reference back end.

#include <QtCore/QtGlobal>

class Inflater
{
public:
    enum Status {
        Ok,        // progress made, or more input or output room needed
        StreamEnd, // the end of the deflate stream was reached
        DataError  // the stream is invalid (or the back end ran out of memory)
    };

    Inflater();
    ~Inflater();
    Inflater(const Inflater &) = delete;
    Inflater &operator=(const Inflater &) = delete;

    // Starts a new raw deflate stream; false when the back end cannot.
    bool begin();
    // Releases what begin() set up; harmless when nothing was begun.
    void end();

    void setInput(const unsigned char *data, unsigned int size);
    unsigned int availableInput() const;

    // Inflates into out, at most outSize bytes; *produced receives the count.
    Status inflate(unsigned char *out, unsigned int outSize, unsigned int *produced);

    // "zlib" or "isal".
    static const char *backendName();

private:
    struct State;
    State *d;
};

#endif // KELVANE_INFLATER_P_H
