#pragma once

// A chat client on the offscreen screen with its launchpad attached: the main frame,
// the application object with a program folder of the test's own (for games.txt), a
// fresh registry, and helpers to fill slots and read the stored ones.

#include "chat/core/tavernwapp.h"
#include "chat/launchpad/launchpad.h"
#include "chat/launchpad/launchpaddlg.h"
#include "chat/launchpad/launchslots.h"
#include "chat/windows/mainframe.h"
#include "tests/chat/freshregistry.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

struct LaunchpadRig {
    FreshRegistry fresh;
    QTemporaryDir folder; // the program folder; games.txt goes here
    tavern::CMainFrame frame;
    CTavernwApp app{&frame};
    tavern::CLaunchpad *launchpad = nullptr;

    explicit LaunchpadRig(const QByteArray &gamesTxt = "Title,Look for,Start,Parameters,Icon\n")
    {
        if (!gamesTxt.isNull())
            writeFile(QStringLiteral("games.txt"), gamesTxt);
        app.m_strProgramDir = folder.path() + u'/';
        frame.Attach(&app);
        app.OpenServerWindow();
        launchpad = tavern::WireLaunchpad(app, frame);
    }

    // Loads the table (answering the first-run question with the scripted answers) and builds the bar.
    void start()
    {
        launchpad->Start();
        frame.show();
        launchpad->RebuildLaunchBar();
    }

    tavern::CLaunchTable &table() { return launchpad->Table(); }
    tavern::CLaunchpadDlg *dialog() { return launchpad->Dialog(); }

    QString path(const QString &relative) const { return folder.path() + u'/' + relative; }
    // Writes a file below the program folder, making its folders.
    QString writeFile(const QString &relative, const QByteArray &content, bool executable = false) const
    {
        const QString full = path(relative);
        QDir().mkpath(QFileInfo(full).path());
        QFile f(full);
        if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            f.write(content);
        f.close();
        if (executable)
            f.setPermissions(f.permissions() | QFileDevice::ExeOwner | QFileDevice::ExeUser);
        return full;
    }
};

// Fills the first n slots with "Game 1".."Game n".
inline void fillSlots(tavern::CLaunchTable &table, int n)
{
    for (int i = 0; i < n; ++i)
        table.Slots[i].ProgramName = QStringLiteral("Game %1").arg(i + 1);
}

inline QString slotKey(int slot)
{
    return QString::fromLatin1(tavern::kLaunchPadKey) + QStringLiteral("\\Game%1").arg(slot + 1, 2, 10, QLatin1Char('0'));
}
