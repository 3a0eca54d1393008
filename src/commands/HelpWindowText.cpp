#include "commands/HelpWindowText.h"

#include "commands/Prompter.h"
#include "settings/HelpText.h"

QString helpWindowText(const QString &path, Prompter &prompter)
{
    if (auto text = readHelpText(path))
        return *text;
    prompter.message(QStringLiteral("No Instructions Available!"));
    return HelpInitialText;
}
