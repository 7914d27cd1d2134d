// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/commandline.h"
#include "app/programinfo.h"
#include "settings/settingsstore.h"
#include "shared/application.h"
#include "shared/messageboxes.h"
#include "shared/qttranslations.h"
#include "terminal/frmterminal.h"
#include "transfer/qtfilechooser.h"
#include "transfer/tempfile.h"

#include <QApplication>

namespace {

// Read before the window's application exists, so that --help and --version
// work without a display.
CommandLine readCommandLine(int &argc, char *argv[])
{
    QCoreApplication core(argc, argv);
    QCoreApplication::setApplicationName(ApplicationTitle);
    QCoreApplication::setApplicationVersion(QString::fromLatin1(programinfo::Version));
    return parseCommandLine(QCoreApplication::arguments());
}

} // namespace

int main(int argc, char *argv[])
{
    const CommandLine commandLine = readCommandLine(argc, argv);
    if (commandLine.action != CommandLine::Action::Run)
        return reportCommandLine(commandLine);

    QApplication app(argc, argv);
    QApplication::setApplicationName(ApplicationTitle);
    installQtFrenchTranslations(app);
    QApplication::setApplicationVersion(QString::fromLatin1(programinfo::Version));
    // The help and About windows may still be open: the program ends with
    // its main window.
    QApplication::setQuitOnLastWindowClosed(false);

    SettingsStore store(SettingsStore::userFileName(), SettingsStore::systemFileNames());
    QtMessageBoxes boxes;
    QtFileChooser chooser;
    TerminalEnvironment environment;
    environment.store = &store;
    environment.boxes = &boxes;
    environment.chooser = &chooser;
    environment.tempDirectory = defaultTempDirectory();

    FrmTerminal window(environment);
    window.setAttribute(Qt::WA_QuitOnClose, false);
    QObject::connect(&window, &FrmTerminal::closed, &app, &QCoreApplication::quit, Qt::QueuedConnection);
    window.startUp();
    if (!commandLine.hexFile.isEmpty())
        window.chooseProgramFile(commandLine.hexFile);
    window.show();
    return QApplication::exec();
}
