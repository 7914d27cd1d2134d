#include "info/infowindows.h"

#include <QtTest>
#include <QtWidgets>

class TestInfoWindows : public QObject
{
    Q_OBJECT
private slots:
    // One fixed-size, modeless instance each, texts as given; OK or the close
    // box unloads, and the next show builds afresh (an edit of the help is gone).
    void oneInstanceEach()
    {
        QWidget main;
        main.show();
        InfoWindows windows;
        windows.mnuaide_Click(&main);
        windows.mnuapropos_Click(&main);
        QPointer<Aide> aide = windows.aide();
        QPointer<Apropos> apropos = windows.apropos();
        windows.mnuaide_Click(&main);
        windows.mnuapropos_Click(&main);
        QCOMPARE(main.findChildren<Aide *>(), QList<Aide *>{aide});
        QCOMPARE(main.findChildren<Apropos *>(), QList<Apropos *>{apropos});
        QVERIFY(aide->isVisible() && apropos->isVisible());
        QVERIFY(!QApplication::activeModalWidget());
        QVERIFY(aide->minimumSize() == aide->maximumSize() && apropos->minimumSize() == apropos->maximumSize());

        QCOMPARE(aide->windowTitle(), QStringLiteral("Aide KORVEX"));
        QCOMPARE(aide->findChild<QPlainTextEdit *>(QStringLiteral("Text1"))->toPlainText(),
                 QStringLiteral("X:  Execute le Programme\n"
                                "P: Affichage de la mémoire de Programme\n"
                                "D: Affichage de la mémoire de données\n"
                                "R: Affichage de la RAM\n"
                                "F: Remplir mémoire de données\n"
                                "M: Modifier la RAM\n"));
        QCOMPARE(apropos->windowTitle(), QStringLiteral("A propos"));
        auto label = [&](const char *name) { return apropos->findChild<QLabel *>(QLatin1String(name)); };
        QCOMPARE(label("Label1")->text(), QStringLiteral("Terminal pour platine KORVEX"));
        QCOMPARE(label("Label1")->font().pointSizeF(), 18.0);
        QCOMPARE(label("Label4")->text(), QStringLiteral("Transfert de fichier au format Intel.hex"));
        QCOMPARE(label("Label5")->text(), QStringLiteral("Version:  1.0"));
        QVERIFY(label("Label5")->font().bold());

        aide->findChild<QPlainTextEdit *>(QStringLiteral("Text1"))->setPlainText(QStringLiteral("edited"));
        aide->findChild<QPushButton *>(QStringLiteral("OKButton"))->click();
        QTRY_VERIFY(aide.isNull());
        QVERIFY(apropos); // unloading one leaves the other alone
        windows.mnuaide_Click(&main);
        QCOMPARE(windows.aide()->findChild<QPlainTextEdit *>(QStringLiteral("Text1"))->toPlainText(), Aide::helpText());
        apropos->close();
        QTRY_VERIFY(apropos.isNull());
        windows.mnuapropos_Click(&main);
        QVERIFY(windows.apropos()->isVisible());
    }
};

QTEST_MAIN(TestInfoWindows)
#include "tst_infowindows.moc"
