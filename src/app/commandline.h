// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

// What the command line asks for: the window, with the program file to choose
// at start-up if one is given, or a text to print before stopping.
struct CommandLine
{
    enum class Action { Run, Print, Fail };
    Action action = Action::Run;
    QString hexFile; // Run: the program file given, or empty
    QString text;    // Print: for standard output; Fail: for standard error
};

// Reads the arguments, program name first. Needs a QCoreApplication (for the
// help text's program name) but no window.
CommandLine parseCommandLine(const QStringList &arguments);

// Prints the text of a Print or Fail outcome; the program's exit code.
int reportCommandLine(const CommandLine &commandLine);
