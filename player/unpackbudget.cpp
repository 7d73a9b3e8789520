// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#include "unpackbudget.h"

#include <QtCore/QDir>
#include <QtCore/QFileInfo>
#include <QtCore/QLocale>
#include <QtCore/QStorageInfo>
#include <QtWidgets/QMessageBox>
#include <QtWidgets/QPushButton>

namespace {

QString size(qint64 bytes)
{
    return QLocale().formattedDataSize(bytes);
}

} // namespace

UnpackBudget::Figures UnpackBudget::measure(qint64 needed, const QString &packagePath, const QString &folder)
{
    Figures figures;
    figures.needed = needed;
    figures.packageSize = QFileInfo(packagePath).size();
    figures.folder = folder;
    const QStorageInfo storage(folder);
    if (storage.isValid() && storage.isReady()) {
        figures.free = storage.bytesAvailable();
        figures.capacity = storage.bytesTotal();
    }
    return figures;
}

qint64 UnpackBudget::reserve(const Figures &figures)
{
    const qint64 minimum = qint64(64) << 20;
    return figures.capacity > 0 ? qMax(minimum, figures.capacity / 20) : minimum;
}

UnpackBudget::Verdict UnpackBudget::judge(const Figures &figures)
{
    if (figures.free >= 0 && figures.needed > figures.free)
        return NoRoom;
    const bool expands = figures.needed > expansionLimit && figures.needed / ratioLimit > figures.packageSize;
    const bool fillsDisk = figures.free >= 0 && figures.free - figures.needed < reserve(figures);
    return expands || fillsDisk ? Ask : Fits;
}

QString UnpackBudget::noRoomText(const Figures &figures)
{
    return tr("There is no room to unpack this lecture: it needs %1, and only %2 are free in %3.")
        .arg(size(figures.needed), size(figures.free), QDir::toNativeSeparators(figures.folder));
}

QString UnpackBudget::questionText(const Figures &figures)
{
    return tr("This lecture unpacks to %1, from a package of %2; %3 of free space would remain in %4.\n\n"
              "Unpack it all the same?")
        .arg(size(figures.needed), size(figures.packageSize), size(qMax<qint64>(0, figures.free - figures.needed)),
             QDir::toNativeSeparators(figures.folder));
}

const char *UnpackBudget::questionName()
{
    return "kelvane-unpack-question";
}

bool UnpackBudget::ask(const Figures &figures, QWidget *parent, const QString &title)
{
    QMessageBox box(QMessageBox::Question, title, questionText(figures), QMessageBox::NoButton, parent);
    box.setObjectName(QLatin1String(questionName()));
    QPushButton *unpack = box.addButton(tr("Unpack"), QMessageBox::AcceptRole);
    box.setDefaultButton(box.addButton(QMessageBox::Cancel));
    box.exec();
    return box.clickedButton() == unpack;
}
