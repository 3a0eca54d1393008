#pragma once

#include <QString>

// "Version " with major, minor and revision, as the sign-on and about windows show it.
QString versionText();

// The maker's notice of the sign-on and about windows.
inline const QString MakerNotice = QStringLiteral("Copyright (C) 2026 Tavix Systems. All rights reserved.");
