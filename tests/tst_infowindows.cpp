#include "info/infowindows.h"

#include <QtTest>
#include <QtWidgets>

class TestInfoWindows : public QObject
{
    Q_OBJECT
private slots:
    // One modeless instance each; OK unloads it and the next show builds it afresh (an edit of the help is gone).
    void oneInstanceEach()
    {
        QWidget main;
        main.show();
        InfoWindows windows;
        for (int twice = 0; twice < 2; ++twice) {
            windows.mnuaide_Click(&main);
            windows.mnuapropos_Click(&main);
        }
        QCOMPARE(main.findChildren<QDialog *>().size(), 2);
        QVERIFY(windows.aide()->isVisible() && windows.apropos()->isVisible() && !QApplication::activeModalWidget());

        QPointer<Aide> aide = windows.aide();
        const auto text = [&] { return windows.aide()->findChild<QPlainTextEdit *>(QStringLiteral("Text1")); };
        const QString help = text()->toPlainText();
        QVERIFY(help.startsWith(QLatin1String("X:  Execute le Programme\n")));
        text()->setPlainText(QStringLiteral("edited"));
        aide->findChild<QPushButton *>(QStringLiteral("OKButton"))->click();
        QTRY_VERIFY(aide.isNull());
        QVERIFY(windows.apropos()); // unloading one leaves the other alone
        windows.mnuaide_Click(&main);
        QCOMPARE(text()->toPlainText(), help);
    }
};

QTEST_MAIN(TestInfoWindows)
#include "tst_infowindows.moc"
