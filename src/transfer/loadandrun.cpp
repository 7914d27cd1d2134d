// SPDX-License-Identifier: GPL-3.0-or-later
#include "transfer/loadandrun.h"

#include "settings/settingsstore.h"
#include "shared/conversions.h"
#include "shared/failure.h"
#include "shared/sharedvalues.h"
#include "transfer/upload.h"

#include <QDir>

#include <utility>

namespace {
const QString Section = QStringLiteral("Files");
const QString AutomaticKey = QStringLiteral("LoadOnChange");
const QString PressF9 = QStringLiteral("F9 pour le charger et l'exécuter");
} // namespace

LoadAndRun::LoadAndRun(SettingsStore &store, const SharedValues &shared, Link link, QObject *parent)
    : QObject(parent), m_store(store), m_shared(shared), m_link(std::move(link))
{
    m_retry.setSingleShot(true);
    m_retry.setInterval(RetryMs);
    connect(&m_retry, &QTimer::timeout, this, &LoadAndRun::startPending);
    connect(&m_watched, &WatchedFile::changed, this, &LoadAndRun::fileChanged);
    connect(&m_watched, &WatchedFile::missing, this, &LoadAndRun::fileMissing);
    try {
        m_automatic = conversions::toBool(m_store.get(Section, AutomaticKey, QStringLiteral("False")));
    } catch (const Failure &) {
        m_automatic = false; // a value edited by hand that means nothing: the default
    }
}

void LoadAndRun::setAutomatic(bool on)
{
    m_automatic = on;
    m_store.save(Section, AutomaticKey, conversions::fromBool(on));
    if (!on) {
        m_changePending = false;
        m_retry.stop();
    }
}

void LoadAndRun::start()
{
    if (m_link.uploadRunning())
        return;
    m_changePending = false;
    m_changedDuringUpload = false;
    m_retry.stop();
    // Set first: an upload with nothing to load ends before it returns.
    m_uploadIsOurs = true;
    if (!m_link.startUpload())
        m_uploadIsOurs = false;
}

void LoadAndRun::uploadFinished(const UploadResult &result)
{
    const bool ours = std::exchange(m_uploadIsOurs, false);
    const bool changed = std::exchange(m_changedDuringUpload, false);
    if (m_changePending) {
        // The program just loaded is not the file's any more: the new one is
        // loaded instead of starting the old one.
        startPending();
        return;
    }
    const bool ran = ours && result.outcome == UploadResult::Outcome::Loaded && m_link.run();
    if (!ran && !changed)
        return; // the window has said how the upload ended
    QString notice = uploadEndStatus(result);
    if (ran)
        notice += QStringLiteral(" ; programme lancé à l'adresse %1").arg(m_shared.StartAddress);
    if (changed)
        notice += QStringLiteral(". Le fichier a changé depuis : ") + PressF9;
    m_link.notify(notice, changed);
}

void LoadAndRun::fileChanged(bool returned)
{
    if (!m_automatic) {
        if (m_link.uploadRunning())
            m_changedDuringUpload = true;
        m_link.notify(changeNotice(returned, PressF9), true);
        return;
    }
    m_changePending = true;
    m_pendingReturned = returned;
    if (m_link.uploadRunning()) {
        m_link.notify(
            changeNotice(returned, QStringLiteral("il sera chargé et exécuté à la fin du transfert en cours")), false);
        return;
    }
    startPending();
}

void LoadAndRun::fileMissing()
{
    // A change awaited for a file that is gone would load nothing.
    m_changePending = false;
    m_retry.stop();
    m_link.notify(QStringLiteral("Fichier introuvable : %1 — il sera repris dès qu'il reviendra.")
                      .arg(QDir::toNativeSeparators(m_shared.HexFilePath)),
                  true);
}

void LoadAndRun::startPending()
{
    if (!m_changePending || m_link.uploadRunning())
        return;
    if (!m_link.portOpen()) {
        m_changePending = false;
        m_link.notify(changeNotice(m_pendingReturned,
                                   QStringLiteral("le port COM %1 est fermé, rien n'est chargé. Connectez-vous "
                                                  "(F5), puis F9 pour le charger et l'exécuter")
                                       .arg(m_link.portNumber())),
                      true);
        return;
    }
    if (m_link.modalOpen()) {
        m_retry.start();
        return;
    }
    m_link.notify(changeNotice(m_pendingReturned, QStringLiteral("chargement et exécution en cours")), false);
    start();
}

QString LoadAndRun::changeNotice(bool returned, const QString &then) const
{
    return (returned ? QStringLiteral("Fichier revenu : ") : QStringLiteral("Fichier modifié : "))
           + m_shared.HexFileTitle + QStringLiteral(" — ") + then;
}
