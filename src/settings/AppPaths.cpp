#include "settings/AppPaths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

QString settingsIn(const QString &folder)
{
    return QDir(folder).filePath(QStringLiteral("setup.txt"));
}

QString portsIn(const QString &folder)
{
    return QDir(folder).filePath(QStringLiteral("ports"));
}

}  // namespace

QString AppPaths::installedDataDir(const QString &programDir)
{
    // Installed as <prefix>/bin/program with its data in <prefix>/share/tavix-message-manager.
    return QDir::cleanPath(
        QDir(programDir).absoluteFilePath(QStringLiteral("../share/tavix-message-manager")));
}

AppPaths AppPaths::inFolder(const QString &folder)
{
    const QDir dir(folder);
    return AppPaths{
        dir.absolutePath(),
        settingsIn(dir.absolutePath()),
        dir.filePath(QStringLiteral("help.txt")),
        dir.filePath(QStringLiteral("wavefiles")),
        portsIn(dir.absolutePath()),
    };
}

AppPaths AppPaths::forLayout(const QString &programDir, const QString &configDir)
{
    AppPaths paths = inFolder(programDir);
    const bool dataBeside =
        QFileInfo::exists(paths.helpFile) || QFileInfo(paths.waveDir).isDir();
    const QString dataDir = installedDataDir(programDir);
    // An installed program is recognised by its data folder, not by whether its folder happens
    // to be writable: installed into a prefix the user owns, it still keeps its settings in the
    // user's configuration folder and must read its help from the data folder.
    if (!dataBeside && QFileInfo(dataDir).isDir()) {
        paths.helpFile = QDir(dataDir).filePath(QStringLiteral("help.txt"));
        paths.waveDir = QDir(dataDir).filePath(QStringLiteral("wavefiles"));
        paths.settingsFile = settingsIn(configDir);
        paths.portsDir = portsIn(configDir);
    } else if (!QFileInfo(paths.programDir).isWritable()) {
        paths.settingsFile = settingsIn(configDir);
        paths.portsDir = portsIn(configDir);
    }
    return paths;
}

AppPaths AppPaths::forProgram()
{
    const QString configDir = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    AppPaths paths = forLayout(QCoreApplication::applicationDirPath(), configDir);
    if (QFileInfo(paths.settingsFile).absolutePath() == QDir(configDir).absolutePath())
        QDir().mkpath(configDir);
    return paths;
}
