// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

// Stand-ins for broken player plug-ins, for the viewer's error paths. Both
// are valid Qt plug-ins; FAKE_PLAYER_VARIANT chooses what is wrong:
// 1, the verification text names another Qt build; 2, the text is right but
// the object offers no IKelvanePlayer.

#include <QtCore/QObject>
#include <QtCore/QtPlugin>

class FakePlayer : public QObject
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID "IKelvanePlayer/1.0")

signals:
    void sgQuit();
};

extern "C" Q_DECL_EXPORT const char *qt_plugin_query_verification_data()
{
#if FAKE_PLAYER_VARIANT == 1
    return "pattern=QT_PLUGIN_VERIFICATION_DATA\nversion=4.8.7\ndebug=true\nbuildkey=x86_64 linux g++-4 full-config";
#else
    return "pattern=QT_PLUGIN_VERIFICATION_DATA\nversion=4.5.0\ndebug=false\nbuildkey=i386 linux g++-4 full-config";
#endif
}

#include "fakeplayer.moc"
