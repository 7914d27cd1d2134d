// SPDX-License-Identifier: GPL-3.0-or-later
#include "transfer/programcommands.h"

#include "serial/mscomm.h"
#include "settings/settingsstore.h"
#include "shared/application.h"
#include "shared/failure.h"
#include "shared/sharedvalues.h"
#include "transfer/loadline.h"
#include "transfer/tempfile.h"

#include <QFileInfo>
#include <QMimeData>
#include <QUrl>

namespace {

// Where the folder of the last chosen program file is kept, apart from the port's settings.
const QString FilesSection = QStringLiteral("Files");
const QString LastFolderKey = QStringLiteral("LastFolder");

} // namespace

ProgramCommands::ProgramCommands(MSComm &port, SharedValues &shared, SettingsStore &store, QString tempDirectory,
                                 std::function<void(const QString &)> show, QObject *parent)
    : QObject(parent), m_port(port), m_shared(shared), m_store(store), m_tempDirectory(std::move(tempDirectory)),
      m_show(std::move(show)), m_upload([this](const QString &text) { m_port.Output(text); })
{
    connect(&m_upload, &Upload::progressed, this, &ProgramCommands::loadProgressed);
    connect(&m_upload, &Upload::finished, this, &ProgramCommands::loadFinished);
}

// The upload writes to the port: it ends before the port can go.
ProgramCommands::~ProgramCommands()
{
    m_upload.stop();
}

QString ProgramCommands::fileFilter()
{
    return QStringLiteral("Fichier HEX (*.HEX);;Fichiers Intel HEX (*.hex *.ihx);;Tous les fichiers (*)");
}

QString ProgramCommands::droppedFile(const QMimeData *data)
{
    if (!data || !data->hasUrls() || data->urls().size() != 1 || !data->urls().constFirst().isLocalFile())
        return {};
    const QString path = data->urls().constFirst().toLocalFile();
    const QString suffix = QFileInfo(path).suffix().toLower();
    return suffix == u"hex" || suffix == u"ihx" ? path : QString();
}

MessageRequest ProgramCommands::quitDuringLoadQuestion()
{
    return {MessageRequest::Icon::Exclamation, MessageRequest::Buttons::YesNo, ApplicationTitle,
            QStringLiteral("Un transfert est en cours. Quitter quand même ?"),
            QStringLiteral("Le programme ne sera chargé qu’en partie dans la platine.")};
}

QString ProgramCommands::lastFolder() const
{
    return m_store.get(FilesSection, LastFolderKey);
}

void ProgramCommands::choose(const QString &path)
{
    const QFileInfo info(path);
    m_store.save(FilesSection, LastFolderKey, info.absolutePath());
    m_shared.HexFileTitle = info.fileName();
    m_shared.HexFilePath = info.absoluteFilePath();
}

bool ProgramCommands::isChosen() const
{
    return !m_shared.HexFileTitle.isEmpty();
}

bool ProgramCommands::convertChosenFile(QList<ProgramLine> &lines)
{
    const ConvertedProgram converted = ConvertHexFile(m_shared.HexFilePath, m_tempDirectory);
    if (!converted.ok) {
        emit failed(converted.errorRequest());
        return false;
    }
    lines = converted.lines;
    return true;
}

bool ProgramCommands::refuseOnClosedPort()
{
    if (m_port.PortOpen())
        return false;
    emit failed(errorBox(QStringLiteral("Port COM %1 fermé !").arg(m_port.CommPort())));
    return true;
}

bool ProgramCommands::load()
{
    // What the board said before the load is shown as usual, never taken
    // for its answer to the first "H".
    m_port.readPendingInput();
    if (refuseOnClosedPort())
        return false;
    QList<ProgramLine> lines;
    if (!convertChosenFile(lines))
        return false;
    emit loadStarting();
    m_upload.setLineSpeed(m_port.Settings().section(u',', 0, 0).toInt());
    m_upload.start(lines);
    return true;
}

void ProgramCommands::view()
{
    QList<ProgramLine> lines;
    if (!convertChosenFile(lines))
        return;
    // One box for the whole view, after the good lines: a binary file would
    // otherwise open one per line.
    const ProgramLine *firstRejected = nullptr;
    int rejected = 0;
    for (const ProgramLine &line : std::as_const(lines)) {
        const FormattedLine formatted = FormatHexLine(line);
        if (formatted.outcome == LineOutcome::Load) {
            m_show(formatted.loadLine + QLatin1Char('\r'));
        } else if (formatted.outcome == LineOutcome::Rejected && rejected++ == 0) {
            firstRejected = &line;
        }
    }
    if (!firstRejected)
        return;
    QString detail = rejectedLineDetail(*firstRejected);
    if (rejected > 1)
        detail += QStringLiteral("\n%1 lignes refusées en tout ; les autres lignes sont affichées.").arg(rejected);
    emit failed(errorBox(badFileTypeMessage(), detail));
}

bool ProgramCommands::run()
{
    if (refuseOnClosedPort())
        return false;
    try {
        m_port.Output(QStringLiteral("X"));
        m_port.Output(m_shared.StartAddress + QLatin1Char('\r'));
        return true;
    } catch (const Failure &failure) {
        emit failed(errorBox(failure.description()));
        return false;
    }
}
