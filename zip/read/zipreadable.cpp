// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#include "read/zipreadable_p.h"

#include "read/decoder_p.h"
#include "common/zipextrafield_p.h"
#include "common/zipformat_p.h"

#include <QtCore/QCoreApplication>

using namespace ZipFormat;

namespace ZipReadable {

namespace {

// General purpose flag bit 6: the entry uses PKWARE's strong encryption,
// whose keys and ciphers the reader does not have.
constexpr quint16 StrongEncryptionFlag = 0x0040;

// Highest "version needed to extract" (times ten) read for an entry of this
// method: what stored and deflated entries need with ZIP64, and 6.3 for the
// methods and the cipher added since (bzip2 4.6, AES 5.1, LZMA, Zstandard
// and xz 6.3).
int highestReadableVersion(quint16 method)
{
    return method == MethodStored || method == MethodDeflated ? MaxSupportedVersion : 63;
}

} // namespace

bool isMethodReadable(quint16 method)
{
    return Decoder::isDecodable(method);
}

const char *methodName(quint16 method)
{
    switch (method) {
    case 0: return "Stored";
    case 1: return "Shrink";
    case 2:
    case 3:
    case 4:
    case 5: return "Reduce";
    case 6: return "Implode";
    case 8: return "Deflate";
    case 9: return "Deflate64";
    case 10: return "PKWARE DCL Implode";
    case 12: return "bzip2";
    case 14: return "LZMA";
    case 16: return "IBM z/OS CMPSC";
    case 18: return "IBM TERSE";
    case 19: return "IBM LZ77 z";
    case 20:
    case 93: return "Zstandard";
    case 94: return "MP3";
    case 95: return "xz";
    case 96: return "JPEG";
    case 97: return "WavPack";
    case 98: return "PPMd";
    case 99: return "WinZip AES";
    default: return nullptr;
    }
}

std::optional<UnZip::SkipReason> obstacle(quint16 method, quint16 versionNeeded, quint16 flags,
                                          const ZipExtraField &extra, bool hasName)
{
    // An AES entry is read when its extra field is valid and the method
    // under the encryption is one the reader decodes.
    if (method == MethodAes) {
        // Built without AES (KELVANE_WITH_AES OFF), method 99 is one the
        // reader does not read.
        if (!KELVANE_HAVE_AES)
            return UnZip::UnsupportedMethod;
        if (!extra.hasAes())
            return UnZip::UnsupportedEncryption;
        if (!isMethodReadable(extra.aes().method))
            return UnZip::UnsupportedMethod;
    } else if (!isMethodReadable(method)) {
        return UnZip::UnsupportedMethod;
    }
    // The low byte is the version times ten; values of 128 and above have
    // always been read as negative, and so pass.
    if (qint8(versionNeeded & 0xff) > highestReadableVersion(method))
        return UnZip::UnsupportedVersion;
    if (flags & StrongEncryptionFlag)
        return UnZip::UnsupportedEncryption;
    if (!hasName)
        return UnZip::NamelessEntry;
    return std::nullopt;
}

QString describe(UnZip::SkipReason reason, quint16 method, quint16 versionNeeded)
{
    switch (reason) {
    case UnZip::UnsupportedMethod:
        if (const char *name = methodName(method))
            return QCoreApplication::translate("UnZip", "method %1 (%2) not supported")
                .arg(method)
                .arg(QLatin1String(name));
        return QCoreApplication::translate("UnZip", "method %1 not supported").arg(method);
    case UnZip::UnsupportedVersion:
        return QCoreApplication::translate("UnZip", "needs version %1.%2 to extract, not supported")
            .arg((versionNeeded & 0xff) / 10)
            .arg((versionNeeded & 0xff) % 10);
    case UnZip::UnsupportedEncryption:
        if (method == MethodAes)
            return QCoreApplication::translate("UnZip", "WinZip AES without a valid extra field, not supported");
        return QCoreApplication::translate("UnZip", "strong encryption not supported");
    case UnZip::NamelessEntry:
        return QCoreApplication::translate("UnZip", "entry without a name");
    }
    return QString();
}

} // namespace ZipReadable
