#include "settings/config.h"
#include "shared/sharedvalues.h"

#include <QtTest>
#include <QtWidgets>

class TestConfig : public QObject
{
    Q_OBJECT
    SharedValues shared;
    QStringList panelTexts;

    std::unique_ptr<Config> open(const QString &startAddress)
    {
        shared.StartAddress = startAddress;
        panelTexts.clear();
        auto dialog = std::make_unique<Config>(shared, [this](const QString &text) { panelTexts.append(text); });
        dialog->show();
        return dialog;
    }
    static QComboBox *field(Config &dialog) { return dialog.findChild<QComboBox *>(QStringLiteral("adressedepart")); }
    static QPushButton *button(Config &dialog, const char *name) { return dialog.findChild<QPushButton *>(name); }

private slots:
    void startAddress_data()
    {
        QTest::addColumn<QString>("typed"); // "<keep>": the field as loaded
        QTest::addColumn<QString>("how");   // ok, cancel, close (box)
        QTest::addColumn<QString>("address");
        const QString longText(40000, QLatin1Char('F'));
        // clang-format off
        QTest::newRow("unchanged") << "<keep>" << "ok" << "4100";
        QTest::newRow("trailing space") << "8000 " << "ok" << "8000 ";
        // An inline completer would turn this into "4000".
        QTest::newRow("prefix of an entry") << "40" << "ok" << "40";
        QTest::newRow("not hexadecimal") << "zz é" << "ok" << "zz é";
        QTest::newRow("empty") << "" << "ok" << "";
        QTest::newRow("beyond a line edit's default limit") << longText << "ok" << longText;
        QTest::newRow("cancel") << "8000" << "cancel" << "4100";
        QTest::newRow("close box") << "8000" << "close" << "4100";
        // clang-format on
    }
    void startAddress()
    {
        QFETCH(QString, typed);
        QFETCH(QString, how);
        QFETCH(QString, address);
        const std::unique_ptr<Config> dialog = open(QStringLiteral("4100"));
        QCOMPARE(field(*dialog)->currentText(), QStringLiteral("4100"));
        QLineEdit *edit = field(*dialog)->lineEdit();
        if (typed != QLatin1String("<keep>")) {
            edit->setFocus();
            edit->selectAll();
            QTest::keyClick(edit, Qt::Key_Backspace);
            // Key by key where possible, so that a completer has its chance to interfere.
            if (typed.size() < 100 && typed.toLatin1() == typed.toUtf8())
                QTest::keyClicks(edit, typed);
            else
                edit->insert(typed);
        }
        if (how == QLatin1String("close"))
            dialog->close();
        else
            button(*dialog, how == QLatin1String("ok") ? "OKButton" : "CancelButton")->click();

        const bool confirmed = how == QLatin1String("ok");
        QCOMPARE(dialog->result(), int(confirmed ? QDialog::Accepted : QDialog::Rejected));
        QCOMPARE(shared.StartAddress, address);
        QCOMPARE(panelTexts, confirmed ? QStringList{QStringLiteral("Adresse: ") + address} : QStringList());
        // The next opening shows it, and a typed address never joins the list.
        const std::unique_ptr<Config> next = open(shared.StartAddress);
        QCOMPARE(field(*next)->currentText(), address);
        QCOMPARE(field(*next)->itemText(0) + field(*next)->itemText(1) + field(*next)->itemText(2),
                 QStringLiteral("40004100"));
    }

    void okHasTheFocusAndTheTabOrder()
    {
        const std::unique_ptr<Config> dialog = open(QStringLiteral("4100"));
        QCOMPARE(dialog->windowTitle(), QStringLiteral("Config"));
        dialog->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(dialog.get()));
        QPushButton *ok = button(*dialog, "OKButton");
        for (QWidget *next : QList<QWidget *>{ok, button(*dialog, "CancelButton"), field(*dialog), ok}) {
            QTRY_VERIFY(next->hasFocus());
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        }
    }
};

QTEST_MAIN(TestConfig)
#include "tst_config.moc"
