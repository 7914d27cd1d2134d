#include "settings/config.h"
#include "shared/sharedvalues.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest/QTest>

#include <algorithm>

class TestConfig : public QObject
{
    Q_OBJECT
private slots:
    void loadsTheStartAddress();
    void okTakesTheTextUnchanged_data();
    void okTakesTheTextUnchanged();
    void enterInTheFieldConfirms();
    void choosingAnEntry();
    void cancelChangesNothing();
    void okHasTheFocusAndTheTabOrder();
};

namespace {

struct Harness
{
    SharedValues shared;
    QStringList panelTexts;
    std::unique_ptr<Config> dialog;

    explicit Harness(const QString &startAddress)
    {
        shared.StartAddress = startAddress;
        dialog = std::make_unique<Config>(shared, [this](const QString &text) { panelTexts.append(text); });
    }
    QComboBox *combo() const { return dialog->findChild<QComboBox *>(QStringLiteral("adressedepart")); }
    QPushButton *button(const char *name) const { return dialog->findChild<QPushButton *>(QLatin1String(name)); }
};

} // namespace

void TestConfig::loadsTheStartAddress()
{
    for (const QString &address : {QStringLiteral("4100"), QStringLiteral("8000"), QString()}) {
        Harness h(address);
        QCOMPARE(h.dialog->windowTitle(), QStringLiteral("Config"));
        QCOMPARE(h.combo()->currentText(), address);
        // A typed address never joins the list.
        QCOMPARE(h.combo()->count(), 2);
        QCOMPARE(h.combo()->itemText(0), QStringLiteral("4000"));
        QCOMPARE(h.combo()->itemText(1), QStringLiteral("4100"));
    }
}

void TestConfig::okTakesTheTextUnchanged_data()
{
    QTest::addColumn<QString>("typed");
    QTest::newRow("unchanged default") << QString();
    QTest::newRow("new address") << QStringLiteral("8000");
    QTest::newRow("trailing space") << QStringLiteral("8000 ");
    QTest::newRow("leading space") << QStringLiteral(" 41");
    QTest::newRow("prefix of an entry") << QStringLiteral("40");
    QTest::newRow("not hexadecimal") << QStringLiteral("zz é");
    QTest::newRow("empty") << QStringLiteral("");
    QTest::newRow("longer than a line edit's default limit") << QString(40000, QLatin1Char('F'));
}

void TestConfig::okTakesTheTextUnchanged()
{
    QFETCH(QString, typed);
    Harness h(QStringLiteral("4100"));
    h.dialog->show();
    QVERIFY(QTest::qWaitForWindowExposed(h.dialog.get()));
    const bool keepDefault = QTest::currentDataTag() == QByteArray("unchanged default");
    const QString expected = keepDefault ? QStringLiteral("4100") : typed;
    if (!keepDefault) {
        QLineEdit *field = h.combo()->lineEdit();
        field->setFocus();
        field->selectAll();
        QTest::keyClick(field, Qt::Key_Backspace);
        // Typed key by key, so that a completer would have its chance to interfere.
        const bool typeable = typed.size() < 100
            && std::all_of(typed.begin(), typed.end(), [](QChar c) { return c.unicode() < 0x80; });
        if (typeable)
            QTest::keyClicks(field, typed);
        else
            field->insert(typed);
    }

    h.button("OKButton")->click();

    QCOMPARE(h.shared.StartAddress, expected);
    QCOMPARE(h.panelTexts, QStringList{QStringLiteral("Adresse: ") + expected});
    QCOMPARE(h.dialog->result(), int(QDialog::Accepted));
    QVERIFY(!h.dialog->isVisible());
    QCOMPARE(h.combo()->count(), 2);

    // The next opening shows the new address.
    Harness next(h.shared.StartAddress);
    QCOMPARE(next.combo()->currentText(), expected);
}

void TestConfig::enterInTheFieldConfirms()
{
    Harness h(QStringLiteral("4100"));
    h.dialog->show();
    QLineEdit *field = h.combo()->lineEdit();
    field->clear();
    QTest::keyClicks(field, QStringLiteral("41 "));
    QTest::keyClick(field, Qt::Key_Return);
    QCOMPARE(h.dialog->result(), int(QDialog::Accepted));
    QCOMPARE(h.shared.StartAddress, QStringLiteral("41 "));
    QCOMPARE(h.panelTexts, QStringList{QStringLiteral("Adresse: 41 ")});
    QCOMPARE(h.combo()->count(), 2);
}

void TestConfig::choosingAnEntry()
{
    Harness h(QStringLiteral("4100"));
    h.combo()->setCurrentIndex(0);
    h.button("OKButton")->click();
    QCOMPARE(h.shared.StartAddress, QStringLiteral("4000"));
    QCOMPARE(h.panelTexts, QStringList{QStringLiteral("Adresse: 4000")});
}

void TestConfig::cancelChangesNothing()
{
    Harness h(QStringLiteral("4100"));
    h.combo()->setEditText(QStringLiteral("8000"));
    h.button("CancelButton")->click();
    QCOMPARE(h.shared.StartAddress, QStringLiteral("4100"));
    QVERIFY(h.panelTexts.isEmpty());
    QCOMPARE(h.dialog->result(), int(QDialog::Rejected));

    Harness closed(QStringLiteral("4100"));
    closed.dialog->show();
    closed.combo()->setEditText(QStringLiteral("8000"));
    closed.dialog->close();
    QCOMPARE(closed.shared.StartAddress, QStringLiteral("4100"));
    QVERIFY(closed.panelTexts.isEmpty());
}

void TestConfig::okHasTheFocusAndTheTabOrder()
{
    Harness h(QStringLiteral("4100"));
    h.dialog->show();
    h.dialog->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(h.dialog.get()));
    QPushButton *ok = h.button("OKButton");
    QTRY_COMPARE(QApplication::focusWidget(), ok);
    QTest::keyClick(ok, Qt::Key_Tab);
    QTRY_COMPARE(QApplication::focusWidget(), h.button("CancelButton"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QTRY_VERIFY(h.combo()->hasFocus());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QTRY_COMPARE(QApplication::focusWidget(), ok);
}

QTEST_MAIN(TestConfig)
#include "tst_config.moc"
