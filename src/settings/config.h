// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>

#include <functional>

class QComboBox;
struct SharedValues;

// The start address dialog: the user picks "4000" or "4100" or types any
// text; OK takes it unchanged as the start address and shows it in the
// window's "adresse" panel. Cancel changes nothing. Open it modally; build
// it anew for every opening.
class Config : public QDialog
{
    Q_OBJECT
public:
    // setAddressPanel receives the panel's whole text ("Adresse: 4100").
    Config(SharedValues &shared, std::function<void(const QString &)> setAddressPanel, QWidget *parent = nullptr);

    void OKButton_Click();
    void CancelButton_Click();

private:
    SharedValues &m_shared;
    std::function<void(const QString &)> m_setAddressPanel;
    QComboBox *adressedepart = nullptr;
};
