// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

// Opens arbitrary bytes as an archive from a QBuffer and extracts every entry
// to a memory device, once without a password and once with one. Besides the
// sanitizers, it checks what the reader promises for any input, whatever the
// method: an entry never yields more than its recorded size (a stored one
// never more than its stored size either), an entry reported as extracted
// has the CRC-32 it records (AE-2 entries record none),
// and an entry refused for its password yields nothing.

#include "countingdevice.h"
#include "fuzzsupport.h"

#include <kelvanezip/unzip.h>

#include <QtCore/QBuffer>
#include <QtCore/QIODevice>
#include <QtCore/QString>

#include <zlib.h>

namespace {

void extractEverything(const QByteArray &bytes, const QString &password)
{
    UnZip unzip;
    if (!password.isNull())
        unzip.setPassword(password);
    auto *buffer = new QBuffer;
    buffer->setData(bytes);
    if (unzip.openArchive(buffer) != UnZip::Success)
        return;

    (void)unzip.archiveComment();
    for (const UnZip::SkippedEntry &skipped : unzip.skippedEntries()) {
        if (skipped.description.isEmpty())
            FuzzSupport::fail("a skipped entry has no reason", skipped.filename);
    }
    const QList<UnZip::ZipEntry> entries = unzip.entryList();
    for (const UnZip::ZipEntry &entry : entries) {
        // Twice: the second extraction reuses the checked local header.
        for (int round = 0; round < 2; ++round) {
            CountingDevice out;
            const UnZip::ErrorCode ec = unzip.extractFile(entry.filename, &out);
            (void)unzip.formatError(ec);
            if (out.count > entry.uncompressedSize)
                FuzzSupport::fail("an entry wrote more than its recorded size", entry.filename);
            if (out.count > entry.compressedSize && entry.compression == UnZip::Stored)
                FuzzSupport::fail("a stored entry wrote more than its stored size", entry.filename);
            if (ec == UnZip::Success && entry.hasCrc && out.crc != entry.crc)
                FuzzSupport::fail("an entry reported as extracted has the wrong CRC-32", entry.filename);
            // Password (and for AES the authentication code) come first.
            if (ec == UnZip::PasswordMismatch && out.count != 0)
                FuzzSupport::fail("an entry refused for its password wrote data", entry.filename);
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzSupport::ensureApplication();
    const QByteArray bytes(reinterpret_cast<const char *>(data), int(size));
    extractEverything(bytes, QString());
    // The seed corpus encrypts with this password.
    extractEverything(bytes, QStringLiteral("kelvane"));
    return 0;
}
