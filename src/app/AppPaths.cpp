#include "app/AppPaths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

AppPaths AppPaths::inFolder(const QString &folder)
{
    const QDir dir(folder);
    return AppPaths{
        dir.absolutePath(),
        dir.filePath(QStringLiteral("setup.txt")),
        dir.filePath(QStringLiteral("help.txt")),
        dir.filePath(QStringLiteral("wavefiles")),
        dir.filePath(QStringLiteral("ports")),
    };
}

AppPaths AppPaths::forProgram()
{
    const QString programDir = QCoreApplication::applicationDirPath();
    if (QFileInfo(programDir).isWritable())
        return inFolder(programDir);

    const QString configDir = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    QDir().mkpath(configDir);
    // Installed as <prefix>/bin/program with its data in <prefix>/share/tavix-message-manager.
    const QString dataDir =
        QDir(programDir).absoluteFilePath(QStringLiteral("../share/tavix-message-manager"));
    return AppPaths{
        programDir,
        QDir(configDir).filePath(QStringLiteral("setup.txt")),
        QDir(dataDir).filePath(QStringLiteral("help.txt")),
        QDir(dataDir).filePath(QStringLiteral("wavefiles")),
        QDir(configDir).filePath(QStringLiteral("ports")),
    };
}
