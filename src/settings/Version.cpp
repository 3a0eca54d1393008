#include "settings/Version.h"

QString versionText()
{
    return QStringLiteral("Version %1.%2.%3")
        .arg(TAVIX_VERSION_MAJOR)
        .arg(TAVIX_VERSION_MINOR)
        .arg(TAVIX_VERSION_PATCH);
}
