// SPDX-License-Identifier: GPL-3.0-or-later
// The two settings dialogs, and the port change behind the properties dialog.

#include "ptypair.h"
#include "testenv.h"

#include "serial/mscomm.h"
#include "settings/config.h"
#include "settings/frmproperties.h"
#include "shared/sharedvalues.h"

#include <QtTest>
#include <QtWidgets>

class TestSettingsDialogs : public QObject
{
    Q_OBJECT
private slots:
    // The entries shown: port, speed, parity, data bits, stop bits; -1 where none matches.
    void selection()
    {
        QVERIFY((selectionFor("9600,n,8,1", 1) == PropertySelection{0, 6, 2, 4, 0}));
        QVERIFY((selectionFor("4800,o,7,1.5", 16) == PropertySelection{15, 5, 1, 3, 1}));
        QVERIFY((selectionFor("256000,m,5,2", 2) == PropertySelection{1, 15, 3, 1, 2}));
        QVERIFY((selectionFor("4000,N,4,1", 17) == PropertySelection{-1, -1, -1, 0, 0})); // upper case: no parity
    }

    // Echo first; port closed, switched, reopened (rolled back on a refusal); settings; handshaking.
    void apply_data()
    {
        QTest::addColumn<bool>("open");
        QTest::addColumn<int>("port");
        QTest::addColumn<QString>("settings");
        QTest::addColumn<int>("handshaking");
        QTest::addColumn<QString>("outcome"); // failure; open, port, settings, handshaking; reopened, changed
        QTest::newRow("unchanged, open") << true << 1 << "19200,N,8,1" << 3 << "0; 1 1 19200,n,8,1 3; 0 0";
        QTest::newRow("switch while open") << true << 2 << "19200,N,8,2" << 2 << "0; 1 2 19200,n,8,2 2; 1 1";
        QTest::newRow("switch to nothing") << true << 3 << "19200,N,8,1" << 1 << "8002; 0 1 9600,n,8,1 0; 1 1";
        QTest::newRow("switch while closed") << false << 3 << "4800,E,7,1.5" << 1 << "0; 0 3 4800,e,7,1.5 1; 0 1";
        QTest::newRow("settings refused") << false << 2 << "9600,,8,1" << 1 << "380; 0 2 9600,n,8,1 0; 0 1";
        QTest::newRow("line refuses 4 bits") << true << 1 << "9600,N,4,1" << 1 << "8015; 1 1 9600,n,8,1 0; 0 0";
        QTest::newRow("handshaking refused") << false << 1 << "300,S,8,1" << 4 << "380; 0 1 300,s,8,1 0; 0 0";
    }
    void apply()
    {
        QFETCH(bool, open);
        QFETCH(int, port);
        QFETCH(QString, settings);
        QFETCH(int, handshaking);
        QFETCH(QString, outcome);
        TempSettings store; // Com1 and Com2 are ptys; Com3 resolves to nothing
        PtyPair com1, com2;
        store.mapPort(1, com1.slavePath());
        store.mapPort(2, com2.slavePath());
        MSComm comm(PortResolver(&store.store, noDevices, noConsoles));
        comm.setPortOpen(open);
        bool echo = false;
        const PortChange change = applyPortChoices(comm, echo, {port, settings, handshaking, true});
        QCOMPARE(QStringLiteral("%1; %2 %3 %4 %5; %6 %7")
                     .arg(change.failure ? change.failure->number() : 0)
                     .arg(comm.PortOpen())
                     .arg(comm.CommPort())
                     .arg(comm.Settings())
                     .arg(comm.Handshaking())
                     .arg(change.reopenAttempted)
                     .arg(change.portStateChanged),
                 outcome);
        QVERIFY(echo); // in force whatever followed
    }

    // OK takes the text exactly as typed (no completion, blanks kept, beyond a line edit's default length), shows
    // it in the panel and the next opening; Cancel keeps the old one; the list never grows.
    void startAddress_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("closedBy");
        QTest::addColumn<QString>("address");
        const QString longText = QString(40000, u'F') + ' ';
        // clang-format off
        QTest::newRow("OK, no completion to 4000") << "40" << "OKButton" << "40";
        QTest::newRow("OK, long, trailing blank") << longText << "OKButton" << longText;
        QTest::newRow("Cancel") << "8000" << "CancelButton" << "4100";
        // clang-format on
    }
    void startAddress()
    {
        QFETCH(QString, typed);
        QFETCH(QString, closedBy);
        QFETCH(QString, address);
        SharedValues shared;
        shared.StartAddress = QStringLiteral("4100");
        QStringList panel;
        const auto open = [&] {
            auto dialog = std::make_unique<Config>(shared, [&](const QString &text) { panel << text; });
            dialog->show();
            return dialog;
        };
        const auto dialog = open();
        QLineEdit *edit = dialog->findChild<QComboBox *>(QStringLiteral("adressedepart"))->lineEdit();
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Backspace);
        // Key by key where possible, so that a completer has its chance to interfere.
        typed.size() < 100 ? QTest::keyClicks(edit, typed) : edit->insert(typed);
        dialog->findChild<QPushButton *>(closedBy)->click();

        QCOMPARE(shared.StartAddress, address);
        QCOMPARE(panel, closedBy == QLatin1String("OKButton") ? QStringList{"Adresse: " + address} : QStringList());
        const auto next = open();
        const QComboBox *field = next->findChild<QComboBox *>(QStringLiteral("adressedepart"));
        QCOMPARE(QStringList({field->currentText(), field->itemText(0), field->itemText(1), field->itemText(2)}),
                 QStringList({address, "4000", "4100", ""}));
    }
};

QTEST_MAIN(TestSettingsDialogs)
#include "tst_settingsdialogs.moc"
