#include "settings/settingsstore.h"
#include "shared/application.h"
#include "shared/messageboxes.h"
#include "shared/qttranslations.h"
#include "terminal/frmterminal.h"
#include "transfer/tempfile.h"
#include "transfer/qtfilechooser.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(ApplicationTitle);
    installQtFrenchTranslations(app);
    // The help and About windows may still be open: the program ends with
    // its main window.
    QApplication::setQuitOnLastWindowClosed(false);

    SettingsStore store;
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
    window.show();
    return QApplication::exec();
}
