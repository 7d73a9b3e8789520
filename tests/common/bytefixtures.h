// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#ifndef KELVANE_TESTS_BYTEFIXTURES_H
#define KELVANE_TESTS_BYTEFIXTURES_H

// Archives in memory: opened from bytes, entries extracted into bytes, and
// random (incompressible) contents. Inline, so that each test takes the
// reader it links (the library or its internal build).

#include <kelvanezip/unzip.h>

#include <QtCore/QBuffer>
#include <QtCore/QByteArray>
#include <QtCore/QRandomGenerator>

// Opens the bytes as the reader's archive; the reader owns the buffer.
inline UnZip::ErrorCode openBytes(UnZip &reader, const QByteArray &bytes)
{
    auto *buffer = new QBuffer;
    buffer->setData(bytes);
    return reader.openArchive(buffer);
}

// Extracts the entry into *out, which it replaces.
inline UnZip::ErrorCode extractToBytes(UnZip &reader, const QString &name, QByteArray *out)
{
    out->clear();
    QBuffer buffer(out);
    buffer.open(QIODevice::WriteOnly);
    return reader.extractFile(name, &buffer);
}

// size bytes from a generator seeded with seed: the same bytes for the same
// seed, every byte random.
inline QByteArray randomBytes(int size, quint32 seed)
{
    QByteArray bytes(size, '\0');
    QRandomGenerator generator(seed);
    for (int i = 0; i < size; ++i)
        bytes[i] = char(generator.generate() & 0xff);
    return bytes;
}

#endif // KELVANE_TESTS_BYTEFIXTURES_H
