// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "terminal/journal.h"

#include <QObject>
#include <QString>

#include <optional>

class FileChooser;
class MessageBoxes;
class QAction;
class QDateTime;
class QWidget;
class SettingsStore;
class TerminalDisplay;
class TerminalView;

// The Fichier menu's journal and terminal saving: the two commands, the
// status bar's indicator of a running journal and the boxes of their
// failures. The window puts the actions in its menu and the indicator in its
// status bar, and stops the journal when it closes. The journal hears the
// display, so it goes on through disconnects, unplugs and reconnects.
class JournalCommands final : public QObject
{
    Q_OBJECT
public:
    struct Parts
    {
        QWidget &window;
        TerminalDisplay &display;
        TerminalView &txtTerm;
        SettingsStore &store;
        MessageBoxes &boxes;
        FileChooser &chooser;
    };
    explicit JournalCommands(const Parts &parts);

    QAction *mnuJournal() const { return m_mnuJournal; }
    QAction *mnuSaveTerminal() const { return m_mnuSaveTerminal; }
    QWidget *indicator() const { return m_indicator; }

    // Writes what the journal still holds and closes it (at quit).
    void stop();

    // The name proposed for a journal: korvex-AAAA-MM-JJ-HHMM.txt.
    static QString defaultFileName(const QDateTime &when);

    static inline const QString FilesSection = QStringLiteral("Files");
    static inline const QString JournalFolderKey = QStringLiteral("JournalFolder");

signals:
    // A passing notice for the status bar.
    void notice(const QString &text);

private:
    void mnuJournal_Click();
    void mnuSaveTerminal_Click();
    std::optional<QString> chooseFile(const QString &title, const QString &name, bool confirmReplace);
    void journalFailed(const QString &path, const QString &reason, qint64 written, qint64 lost);
    void showState();

    Parts m_parts;
    Journal m_journal;
    QAction *m_mnuJournal;
    QAction *m_mnuSaveTerminal;
    QWidget *m_indicator;
    bool m_starting = false;
};
