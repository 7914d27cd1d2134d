// SPDX-License-Identifier: GPL-3.0-or-later
#include "info/aide.h"

#include "info/infowindow.h"

#include <QFontMetrics>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

Aide::Aide(QWidget *parent) : QDialog(parent)
{
    infowindow::setUp(*this, QStringLiteral("aide"), QStringLiteral("Aide KORVEX"));

    Text1 = new QPlainTextEdit(this);
    Text1->setObjectName(QStringLiteral("Text1"));
    Text1->setPlainText(helpText());
    Text1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    const QFontMetrics metrics(Text1->font());
    Text1->setMinimumSize(metrics.horizontalAdvance(QStringLiteral("P: Affichage de la mémoire de Programme")) + 48,
                          metrics.lineSpacing() * 7 + 12);

    auto *OKButton = new QPushButton(QStringLiteral("OK"), this);
    OKButton->setObjectName(QStringLiteral("OKButton"));
    connect(OKButton, &QPushButton::clicked, this, &Aide::OKButton_Click);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(Text1);
    layout->addWidget(OKButton, 0, Qt::AlignHCenter);
    infowindow::fixSize(*this);
}

QString Aide::helpText()
{
    return QStringLiteral("X:  Execute le Programme\n"
                          "P: Affichage de la mémoire de Programme\n"
                          "D: Affichage de la mémoire de données\n"
                          "R: Affichage de la RAM\n"
                          "F: Remplir mémoire de données\n"
                          "M: Modifier la RAM\n");
}

void Aide::OKButton_Click()
{
    close();
}
