// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#ifndef KELVANE_ZIPREADABLE_P_H
#define KELVANE_ZIPREADABLE_P_H

//
//  W A R N I N G
//  -------------
// This file is not part of the public API. It may change without notice.
//
// The one place that decides whether the reader can read an entry, and the
// words that say why not. Support for a new method or cipher is added here.

#include <kelvanezip/unzip.h>

#include <QtCore/QString>

#include <optional>

class ZipExtraField;

namespace ZipReadable {

// Why the reader cannot read an entry with these stored values; nothing when
// it can. Checked in this order: the method, the version needed to extract,
// the kind of encryption, the name.
std::optional<UnZip::SkipReason> obstacle(quint16 method, quint16 versionNeeded, quint16 flags,
                                          const ZipExtraField &extra, bool hasName);

// True for a compression method the reader decodes.
bool isMethodReadable(quint16 method);

// The name of a compression method ("Deflate64"), or null when it has none.
const char *methodName(quint16 method);

// Translated text of a skip reason, as the tool prints it after "NAME: skipped: ".
QString describe(UnZip::SkipReason reason, quint16 method, quint16 versionNeeded);

} // namespace ZipReadable

#endif // KELVANE_ZIPREADABLE_P_H
