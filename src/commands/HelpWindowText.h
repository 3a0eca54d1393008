#pragma once

#include <QString>

class Prompter;

// What the instructions window shows when it loads: the file's text, or, after the message
// "No Instructions Available!", the text box's initial text.
QString helpWindowText(const QString &path, Prompter &prompter);
