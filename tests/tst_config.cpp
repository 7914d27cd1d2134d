#include "settings/config.h"
#include "shared/sharedvalues.h"

#include <QtTest>
#include <QtWidgets>

class TestConfig : public QObject
{
    Q_OBJECT
private slots:
    // OK takes the text exactly as typed, shows it in the panel and the next opening; the list never grows.
    void startAddress_data()
    {
        QTest::addColumn<QString>("typed"); // "<keep>": the field as loaded
        QTest::addColumn<QString>("closedBy");
        QTest::addColumn<QString>("address");
        const QString longText(40000, QLatin1Char('F'));
        QTest::newRow("unchanged") << "<keep>"
                                   << "OKButton"
                                   << "4100";
        QTest::newRow("trailing space") << "8000 "
                                        << "OKButton"
                                        << "8000 ";
        QTest::newRow("prefix of an entry, no completion") << "40"
                                                           << "OKButton"
                                                           << "40";
        QTest::newRow("empty") << ""
                               << "OKButton"
                               << "";
        QTest::newRow("beyond a line edit's default limit") << longText << "OKButton" << longText;
        QTest::newRow("cancel") << "8000"
                                << "CancelButton"
                                << "4100";
        QTest::newRow("close box") << "8000"
                                   << ""
                                   << "4100";
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
        if (typed != QLatin1String("<keep>")) {
            edit->selectAll();
            QTest::keyClick(edit, Qt::Key_Backspace);
            // Key by key where possible, so that a completer has its chance to interfere.
            typed.size() < 100 ? QTest::keyClicks(edit, typed) : edit->insert(typed);
        }
        closedBy.isEmpty() ? void(dialog->close()) : dialog->findChild<QPushButton *>(closedBy)->click();

        QCOMPARE(shared.StartAddress, address);
        QCOMPARE(panel, closedBy == QLatin1String("OKButton") ? QStringList{"Adresse: " + address} : QStringList());
        const auto next = open();
        const QComboBox *field = next->findChild<QComboBox *>(QStringLiteral("adressedepart"));
        QCOMPARE(QStringList({field->currentText(), field->itemText(0), field->itemText(1), field->itemText(2)}),
                 QStringList({address, "4000", "4100", ""}));
    }
};

QTEST_MAIN(TestConfig)
#include "tst_config.moc"
