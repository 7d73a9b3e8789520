// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#ifndef KELVANE_IKELVANEPLAYER_H
#define KELVANE_IKELVANEPLAYER_H

#include <QtCore/QObject>
#include <QtCore/QString>

// What a host asks of the player window: open a package, zoom, search.
// Hosts reach it with qobject_cast<IKelvanePlayer*> on the plug-in's
// instance; the window announces the end of a session with sgQuit().
class IKelvanePlayer
{
public:
    virtual bool slOpen(QString) { return false; }
    virtual void slFontUp() { }
    virtual void slFontDown() { }
    virtual void slFind() { }
};

Q_DECLARE_INTERFACE(IKelvanePlayer, "IKelvanePlayer/1.0")

#endif // KELVANE_IKELVANEPLAYER_H
