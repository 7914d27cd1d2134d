// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>

class QLabel;
class QProgressBar;
class QPushButton;
struct UploadProgress;

// The progress window shown, not modal, while a program is sent to the
// board: how far it is, and a way to stop it. "Annuler", Escape and the close
// box all ask the owner to cancel; the owner hides the window at the end.
class FrmTransfert : public QDialog
{
    Q_OBJECT
public:
    static constexpr int ClientWidthTwips = 4140;

    explicit FrmTransfert(QWidget *parent = nullptr);

    void showProgress(const UploadProgress &progress);

signals:
    void cancelRequested();

public slots:
    void reject() override; // Escape

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    QProgressBar *prgTransfert = nullptr;
    QLabel *lblRecords = nullptr;
    QLabel *lblAddress = nullptr;
    QLabel *lblTimeLeft = nullptr;
    QPushButton *cmdAnnuler = nullptr;
};

// "Temps restant : environ 1 min 05 s" from the pace so far; empty before
// the first record has gone out.
QString timeLeftText(int recordsSent, int recordsTotal, qint64 elapsedMs);
