// SPDX-License-Identifier: GPL-3.0-or-later
#include "info/apropos.h"

#include "info/infowindow.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

Apropos::Apropos(QWidget *parent) : QDialog(parent)
{
    infowindow::setUp(*this, QStringLiteral("Apropos"), QStringLiteral("A propos"));

    auto *Label1 = new QLabel(QStringLiteral("Terminal pour platine KORVEX"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setAlignment(Qt::AlignCenter);
    QFont titleFont = Label1->font();
    titleFont.setPointSizeF(18);
    Label1->setFont(titleFont);

    auto *Label4 = new QLabel(QStringLiteral("Transfert de fichier au format Intel.hex"), this);
    Label4->setObjectName(QStringLiteral("Label4"));

    auto *Label5 = new QLabel(QStringLiteral("Version:  1.0"), this);
    Label5->setObjectName(QStringLiteral("Label5"));
    QFont versionFont = Label5->font();
    versionFont.setPointSizeF(9.75);
    versionFont.setBold(true);
    Label5->setFont(versionFont);

    auto *OKButton = new QPushButton(QStringLiteral("OK"), this);
    OKButton->setObjectName(QStringLiteral("OKButton"));
    connect(OKButton, &QPushButton::clicked, this, &Apropos::OKButton_Click);

    auto *layout = new QVBoxLayout(this);
    layout->setSpacing(12);
    layout->addWidget(Label1);
    layout->addWidget(Label4);
    layout->addWidget(Label5);
    layout->addWidget(OKButton, 0, Qt::AlignHCenter);
    infowindow::fixSize(*this);
}

void Apropos::OKButton_Click()
{
    close();
}
