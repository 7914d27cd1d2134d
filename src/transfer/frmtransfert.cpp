// SPDX-License-Identifier: GPL-3.0-or-later
#include "transfer/frmtransfert.h"

#include "shared/application.h"
#include "shared/twips.h"
#include "transfer/upload.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

FrmTransfert::FrmTransfert(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmTransfert"));
    setWindowTitle(ApplicationTitle);
    setModal(false);
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint
                   | Qt::MSWindowsFixedSizeDialogHint);

    auto label = [this](const char *name, const QString &text) {
        auto *l = new QLabel(text, this);
        l->setObjectName(QLatin1String(name));
        return l;
    };
    QLabel *Label1 = label("Label1", QStringLiteral("Transfert en cours"));
    Label1->setAlignment(Qt::AlignCenter);
    prgTransfert = new QProgressBar(this);
    prgTransfert->setObjectName(QStringLiteral("prgTransfert"));
    prgTransfert->setAccessibleName(QStringLiteral("Progression du transfert"));
    lblRecords = label("lblRecords", QString());
    lblAddress = label("lblAddress", QString());
    lblTimeLeft = label("lblTimeLeft", QString());
    cmdAnnuler = new QPushButton(QStringLiteral("Annuler"), this);
    cmdAnnuler->setObjectName(QStringLiteral("cmdAnnuler"));
    cmdAnnuler->setAutoDefault(false);
    connect(cmdAnnuler, &QPushButton::clicked, this, &FrmTransfert::cancelRequested);

    auto *details = new QHBoxLayout;
    details->addWidget(lblRecords, 1);
    details->addWidget(lblAddress);
    auto *bottom = new QHBoxLayout;
    bottom->addWidget(lblTimeLeft, 1);
    bottom->addWidget(cmdAnnuler);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    layout->addWidget(prgTransfert);
    layout->addLayout(details);
    layout->addLayout(bottom);

    const double dpi = twips::logicalDpi(this);
    setFixedSize(std::max(twips::toPixels(ClientWidthTwips, dpi), sizeHint().width()), sizeHint().height());
}

void FrmTransfert::showProgress(const UploadProgress &progress)
{
    prgTransfert->setMaximum(std::max(progress.recordsTotal, 1));
    prgTransfert->setValue(progress.recordsSent);
    lblRecords->setText(QStringLiteral("Enregistrement %1 sur %2")
                            .arg(std::min(progress.recordsSent + 1, progress.recordsTotal))
                            .arg(progress.recordsTotal));
    lblAddress->setText(QStringLiteral("Adresse %1").arg(progress.address));
    lblTimeLeft->setText(progress.cancelling
                             ? QStringLiteral("Annulation à la fin de l’enregistrement en cours…")
                             : timeLeftText(progress.recordsSent, progress.recordsTotal, progress.elapsedMs));
    cmdAnnuler->setEnabled(!progress.cancelling);
}

void FrmTransfert::reject()
{
    emit cancelRequested();
}

void FrmTransfert::closeEvent(QCloseEvent *event)
{
    // The close box cancels; the window goes once the upload has ended.
    event->ignore();
    emit cancelRequested();
}

QString timeLeftText(int recordsSent, int recordsTotal, qint64 elapsedMs)
{
    if (recordsSent <= 0 || recordsTotal <= recordsSent)
        return QStringLiteral("Temps restant : estimation en cours…");
    const qint64 seconds = (elapsedMs * (recordsTotal - recordsSent) / recordsSent + 999) / 1000;
    if (seconds < 60)
        return QStringLiteral("Temps restant : environ %1 s").arg(seconds);
    return QStringLiteral("Temps restant : environ %1 min %2 s")
        .arg(seconds / 60)
        .arg(seconds % 60, 2, 10, QLatin1Char('0'));
}
