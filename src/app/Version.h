#pragma once

#include <QString>

// "Version " with major, minor and revision, as the sign-on and about windows show it.
QString versionText();
