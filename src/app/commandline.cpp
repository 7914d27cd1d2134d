// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/commandline.h"

#include "app/programinfo.h"

#include <QCommandLineParser>

#include <cstdio>

namespace {

const QString HelpHint = QStringLiteral("Lancez « korvex-terminal --help » pour l’aide.");

CommandLine failure(const QString &message)
{
    return {CommandLine::Action::Fail, {}, message + QLatin1Char('\n') + HelpHint + QLatin1Char('\n')};
}

} // namespace

CommandLine parseCommandLine(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Terminal pour platine KORVEX : dialogue avec le moniteur de la platine par la ligne série et "
                       "chargement de programmes Intel HEX."));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    parser.addPositionalArgument(
        QStringLiteral("fichier"),
        QStringLiteral("Programme Intel HEX choisi au démarrage, comme avec Fichier > Ouvrir."),
        QStringLiteral("[fichier.hex]"));
    if (!parser.parse(arguments))
        return failure(parser.errorText());
    if (parser.isSet(help))
        return {CommandLine::Action::Print, {}, parser.helpText()};
    if (parser.isSet(version))
        return {CommandLine::Action::Print, {}, QStringLiteral("KORVEX Terminal %1\n").arg(programinfo::Version)};
    const QStringList files = parser.positionalArguments();
    if (files.size() > 1)
        return failure(QStringLiteral("Un seul fichier HEX peut être donné ; reçu : %1.").arg(files.join(", ")));
    return {CommandLine::Action::Run, files.value(0), {}};
}

int reportCommandLine(const CommandLine &commandLine)
{
    const bool failed = commandLine.action == CommandLine::Action::Fail;
    std::fputs(commandLine.text.toLocal8Bit().constData(), failed ? stderr : stdout);
    return failed ? 1 : 0;
}
