// SPDX-License-Identifier: GPL-3.0-or-later
#include "terminal/journalcommands.h"

#include "screen/terminaldisplay.h"
#include "screen/terminalview.h"
#include "settings/settingsstore.h"
#include "shared/filechooser.h"
#include "shared/messageboxes.h"

#include <QAction>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QPainter>
#include <QSaveFile>
#include <QStandardPaths>

#include <algorithm>

namespace {

const QString TextFilter = QStringLiteral("Fichiers texte (*.txt);;Tous les fichiers (*)");

QString native(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

// A red dot, "Journal : " and the file's name, shortened in its middle when
// the room is short; the whole path in its tooltip.
class JournalIndicator final : public QWidget
{
public:
    explicit JournalIndicator(QWidget *parent) : QWidget(parent)
    {
        setObjectName(QStringLiteral("Journal"));
        hide();
    }
    void setFile(const QString &path)
    {
        m_name = QFileInfo(path).fileName();
        setAccessibleName(Prefix + m_name);
        setToolTip(
            QStringLiteral("Journal en cours dans %1\nFichier > Arrêter le journal pour le fermer.").arg(native(path)));
        update();
    }
    QSize sizeHint() const override
    {
        return {textLeft() + fontMetrics().horizontalAdvance(Prefix + m_name), fontMetrics().height()};
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const int size = dot();
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(210, 30, 30));
        painter.drawEllipse(QRect(size / 2, (height() - size) / 2, size, size));
        painter.setPen(palette().color(QPalette::WindowText));
        const int nameRoom = width() - textLeft() - fontMetrics().horizontalAdvance(Prefix);
        painter.drawText(rect().adjusted(textLeft(), 0, 0, 0), Qt::AlignVCenter | Qt::AlignLeft,
                         Prefix + fontMetrics().elidedText(m_name, Qt::ElideMiddle, std::max(0, nameRoom)));
    }

private:
    static inline const QString Prefix = QStringLiteral("Journal : ");
    int dot() const { return std::max(6, fontMetrics().height() / 2); }
    int textLeft() const { return dot() * 2; }
    QString m_name;
};

} // namespace

JournalCommands::JournalCommands(const Parts &parts)
    : QObject(&parts.window), m_parts(parts), m_mnuJournal(new QAction(&parts.window)),
      m_mnuSaveTerminal(new QAction(QStringLiteral("Enregistrer le terminal &sous…"), &parts.window)),
      m_indicator(new JournalIndicator(&parts.window))
{
    m_mnuJournal->setObjectName(QStringLiteral("mnuJournal"));
    m_mnuJournal->setCheckable(true);
    connect(m_mnuJournal, &QAction::triggered, this, &JournalCommands::mnuJournal_Click);
    m_mnuSaveTerminal->setObjectName(QStringLiteral("mnuSaveTerminal"));
    m_mnuSaveTerminal->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
    connect(m_mnuSaveTerminal, &QAction::triggered, this, &JournalCommands::mnuSaveTerminal_Click);
    connect(&parts.display, &TerminalDisplay::arrived, &m_journal, &Journal::append);
    connect(&m_journal, &Journal::failed, this, &JournalCommands::journalFailed);
    showState();
}

QString JournalCommands::defaultFileName(const QDateTime &when)
{
    return when.toString(QStringLiteral("'korvex-'yyyy-MM-dd-HHmm'.txt'"));
}

void JournalCommands::stop()
{
    if (!m_journal.isRunning())
        return;
    const QString path = m_journal.path();
    if (m_journal.stop())
        emit notice(
            QStringLiteral("Journal fermé : %1 octets dans %2.").arg(m_journal.bytesWritten()).arg(native(path)));
    showState();
}

void JournalCommands::mnuJournal_Click()
{
    if (m_journal.isRunning()) {
        stop();
        return;
    }
    const std::optional<QString> chosen =
        chooseFile(QStringLiteral("Journal de la session"), defaultFileName(QDateTime::currentDateTime()), false);
    if (chosen) {
        m_starting = true;
        m_journal.start(*chosen);
        m_starting = false;
    }
    showState();
}

void JournalCommands::mnuSaveTerminal_Click()
{
    const std::optional<QString> chosen =
        chooseFile(QStringLiteral("Enregistrer le terminal sous"),
                   QStringLiteral("korvex-terminal-") + defaultFileName(QDateTime::currentDateTime()).mid(7), true);
    if (!chosen)
        return;
    // What is still on its way to the screen belongs to what the user sees.
    m_parts.display.flush();
    const QString &text = m_parts.txtTerm.text();
    QSaveFile file(*chosen);
    if (!file.open(QIODevice::WriteOnly) || file.write(text.toLatin1()) != text.size() || !file.commit()) {
        m_parts.boxes.show(&m_parts.window,
                           errorBox(QStringLiteral("Impossible d'écrire le fichier ") + native(*chosen),
                                    file.errorString()
                                        + QStringLiteral("\nRien n'a été remplacé. Choisissez un "
                                                         "autre dossier ou un autre nom.")));
        return;
    }
    emit notice(QStringLiteral("Terminal enregistré : %1 caractères dans %2.").arg(text.size()).arg(native(*chosen)));
}

// In the folder of the latest journal or saved terminal, the Documents folder at first.
std::optional<QString> JournalCommands::chooseFile(const QString &title, const QString &name, bool confirmReplace)
{
    QString folder = m_parts.store.get(FilesSection, JournalFolderKey);
    if (folder.isEmpty())
        folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    std::optional<QString> chosen = m_parts.chooser.chooseFileToSave(&m_parts.window, title, TextFilter,
                                                                     QDir(folder).filePath(name), confirmReplace);
    if (!chosen || chosen->isEmpty())
        return std::nullopt;
    m_parts.store.save(FilesSection, JournalFolderKey, QFileInfo(*chosen).absolutePath());
    return chosen;
}

void JournalCommands::journalFailed(const QString &path, const QString &reason, qint64 written, qint64 lost)
{
    showState();
    if (m_starting) {
        m_parts.boxes.show(&m_parts.window,
                           errorBox(QStringLiteral("Impossible d'ouvrir le journal ") + native(path),
                                    reason
                                        + QStringLiteral("\nChoisissez un autre dossier ou un autre nom avec "
                                                         "Fichier > Journal…")));
        return;
    }
    QString detail = reason + QStringLiteral("\nLe fichier garde les %1 octets écrits jusque-là.").arg(written);
    if (lost > 0)
        detail += QStringLiteral(" Les %1 derniers n'ont pas pu y être écrits ; le terminal montre encore ses "
                                 "16000 derniers caractères (Fichier > Enregistrer le terminal sous… les garde).")
                      .arg(lost);
    detail += QStringLiteral("\nLe terminal continue. Pour reprendre le journal, choisissez un autre dossier avec "
                             "Fichier > Journal…");
    m_parts.boxes.show(
        &m_parts.window,
        errorBox(QStringLiteral("Journal arrêté : impossible d'écrire le fichier ") + native(path), detail));
}

void JournalCommands::showState()
{
    const bool running = m_journal.isRunning();
    m_mnuJournal->setChecked(running);
    m_mnuJournal->setText(running ? QStringLiteral("Arrêter le &journal") : QStringLiteral("&Journal…"));
    auto *shown = static_cast<JournalIndicator *>(m_indicator);
    if (running)
        shown->setFile(m_journal.path());
    shown->setVisible(running);
}
