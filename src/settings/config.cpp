// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/config.h"

#include "shared/sharedvalues.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <limits>

Config::Config(SharedValues &shared, std::function<void(const QString &)> setAddressPanel, QWidget *parent)
    : QDialog(parent), m_shared(shared), m_setAddressPanel(std::move(setAddressPanel))
{
    setObjectName(QStringLiteral("Config"));
    setWindowTitle(QStringLiteral("Config"));

    auto *Label1 = new QLabel(QStringLiteral("Selection adresse de départ :"));
    Label1->setObjectName(QStringLiteral("Label1"));

    adressedepart = new QComboBox;
    adressedepart->setObjectName(QStringLiteral("adressedepart"));
    adressedepart->setEditable(true);
    adressedepart->addItems({QStringLiteral("4000"), QStringLiteral("4100")});
    // The text is taken exactly as typed: no inline completion that would
    // turn "40" into "4000", no entry added on Enter, no length limit.
    adressedepart->setCompleter(nullptr);
    adressedepart->setInsertPolicy(QComboBox::NoInsert);
    adressedepart->lineEdit()->setMaxLength(std::numeric_limits<int>::max());
    Label1->setBuddy(adressedepart);
    // A screen reader lands on the text field inside the list: it says the label too.
    adressedepart->lineEdit()->setAccessibleName(QStringLiteral("Adresse de départ"));

    auto *OKButton = new QPushButton(QStringLiteral("OK"));
    OKButton->setObjectName(QStringLiteral("OKButton"));
    OKButton->setDefault(true);
    auto *CancelButton = new QPushButton(QStringLiteral("Cancel"));
    CancelButton->setObjectName(QStringLiteral("CancelButton"));
    connect(OKButton, &QPushButton::clicked, this, &Config::OKButton_Click);
    connect(CancelButton, &QPushButton::clicked, this, &Config::CancelButton_Click);

    auto *fields = new QVBoxLayout;
    fields->addWidget(Label1);
    fields->addWidget(adressedepart);
    fields->addStretch();
    auto *buttons = new QVBoxLayout;
    buttons->addWidget(OKButton);
    buttons->addWidget(CancelButton);
    buttons->addStretch();
    auto *layout = new QHBoxLayout(this);
    layout->addLayout(fields, 1);
    layout->addLayout(buttons);

    setTabOrder(OKButton, CancelButton);
    setTabOrder(CancelButton, adressedepart);
    OKButton->setFocus();

    adressedepart->setEditText(m_shared.StartAddress);
    setFixedSize(sizeHint());
}

void Config::OKButton_Click()
{
    const QString address = adressedepart->lineEdit()->text();
    m_shared.StartAddress = address;
    if (m_setAddressPanel)
        m_setAddressPanel(QStringLiteral("Adresse: ") + address);
    accept();
}

void Config::CancelButton_Click()
{
    reject();
}
