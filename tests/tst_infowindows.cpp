#include "info/infowindows.h"
#include "terminal/twips.h"
#include "transfer/frmtransfert.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QtTest/QTest>

class TestInfoWindows : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void helpText();
    void aboutTexts();
    void fixedSizeDialogsWithoutTaskBarEntry();
    void oneInstanceEach();
    void okUnloadsAndTheNextShowBuildsAfresh();
    void closeBoxUnloads();
    void progressWindow();

private:
    std::unique_ptr<QWidget> m_main;
    InfoWindows m_windows;
};

void TestInfoWindows::init()
{
    m_main = std::make_unique<QWidget>();
    m_main->show();
}

void TestInfoWindows::cleanup()
{
    m_main.reset(); // takes any window still open with it
    QVERIFY(!m_windows.aide());
    QVERIFY(!m_windows.apropos());
}

void TestInfoWindows::helpText()
{
    m_windows.mnuaide_Click(m_main.get());
    Aide *aide = m_windows.aide();
    QVERIFY(aide);
    QCOMPARE(aide->objectName(), QStringLiteral("aide"));
    QCOMPARE(aide->windowTitle(), QStringLiteral("Aide KORVEX"));
    auto *text = aide->findChild<QPlainTextEdit *>(QStringLiteral("Text1"));
    QVERIFY(text);
    QCOMPARE(text->toPlainText(), QStringLiteral("X:  Execute le Programme\n"
                                                 "P: Affichage de la mémoire de Programme\n"
                                                 "D: Affichage de la mémoire de données\n"
                                                 "R: Affichage de la RAM\n"
                                                 "F: Remplir mémoire de données\n"
                                                 "M: Modifier la RAM\n"));
    QVERIFY(!text->isReadOnly());
    QCOMPARE(text->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    QCOMPARE(aide->findChild<QPushButton *>(QStringLiteral("OKButton"))->text(), QStringLiteral("OK"));
}

void TestInfoWindows::aboutTexts()
{
    m_windows.mnuapropos_Click(m_main.get());
    Apropos *apropos = m_windows.apropos();
    QVERIFY(apropos);
    QCOMPARE(apropos->objectName(), QStringLiteral("Apropos"));
    QCOMPARE(apropos->windowTitle(), QStringLiteral("A propos"));
    auto label = [&](const char *name) { return apropos->findChild<QLabel *>(QLatin1String(name)); };
    QCOMPARE(label("Label1")->text(), QStringLiteral("Terminal pour platine KORVEX"));
    QCOMPARE(label("Label1")->font().pointSizeF(), 18.0);
    QVERIFY(label("Label1")->alignment() & Qt::AlignHCenter);
    QCOMPARE(label("Label4")->text(), QStringLiteral("Transfert de fichier au format Intel.hex"));
    QCOMPARE(label("Label5")->text(), QStringLiteral("Version:  1.0"));
    QCOMPARE(label("Label5")->font().pointSizeF(), 9.75);
    QVERIFY(label("Label5")->font().bold());
}

void TestInfoWindows::fixedSizeDialogsWithoutTaskBarEntry()
{
    m_windows.mnuaide_Click(m_main.get());
    m_windows.mnuapropos_Click(m_main.get());
    for (QDialog *window : {static_cast<QDialog *>(m_windows.aide()), static_cast<QDialog *>(m_windows.apropos())}) {
        QVERIFY(window->isVisible());
        QVERIFY(!window->isModal());
        QCOMPARE(window->minimumSize(), window->maximumSize());
        QVERIFY(!(window->windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
        // Owned by the main window, so a dialog of it rather than a task-bar window.
        QCOMPARE(window->parentWidget(), m_main.get());
        QCOMPARE(window->windowType(), Qt::Dialog);
    }
    // Both are open at once, and the main window still takes input.
    QVERIFY(m_main->isEnabled());
    QVERIFY(!QApplication::activeModalWidget());
}

void TestInfoWindows::oneInstanceEach()
{
    m_windows.mnuaide_Click(m_main.get());
    QPointer<Aide> first = m_windows.aide();
    m_windows.mnuapropos_Click(m_main.get());
    m_windows.mnuaide_Click(m_main.get());
    m_windows.mnuapropos_Click(m_main.get());
    QCOMPARE(m_windows.aide(), first.data());
    QCOMPARE(m_main->findChildren<Aide *>().size(), 1);
    QCOMPARE(m_main->findChildren<Apropos *>().size(), 1);
}

void TestInfoWindows::okUnloadsAndTheNextShowBuildsAfresh()
{
    m_windows.mnuaide_Click(m_main.get());
    QPointer<Aide> first = m_windows.aide();
    auto *text = first->findChild<QPlainTextEdit *>(QStringLiteral("Text1"));
    text->setPlainText(QStringLiteral("edited"));

    first->findChild<QPushButton *>(QStringLiteral("OKButton"))->click();
    QTRY_VERIFY(first.isNull());
    QVERIFY(!m_windows.aide());

    m_windows.mnuaide_Click(m_main.get());
    QVERIFY(m_windows.aide());
    QCOMPARE(m_windows.aide()->findChild<QPlainTextEdit *>(QStringLiteral("Text1"))->toPlainText(), Aide::helpText());

    m_windows.mnuapropos_Click(m_main.get());
    QPointer<Apropos> about = m_windows.apropos();
    about->findChild<QPushButton *>(QStringLiteral("OKButton"))->click();
    QTRY_VERIFY(about.isNull());
    // Unloading one leaves the other alone.
    QVERIFY(m_windows.aide());
}

void TestInfoWindows::closeBoxUnloads()
{
    m_windows.mnuapropos_Click(m_main.get());
    QPointer<Apropos> about = m_windows.apropos();
    about->close();
    QTRY_VERIFY(about.isNull());
    m_windows.mnuapropos_Click(m_main.get());
    QVERIFY(m_windows.apropos());
    QVERIFY(m_windows.apropos()->isVisible());
}

void TestInfoWindows::progressWindow()
{
    FrmTransfert progress(m_main.get());
    progress.show();
    QCOMPARE(progress.windowTitle(), QStringLiteral("KORVEX Terminal"));
    QVERIFY(!progress.isModal());
    QCOMPARE(progress.findChild<QLabel *>(QStringLiteral("Label1"))->text(), QStringLiteral("Transfert en cours"));
    QVERIFY(progress.findChildren<QAbstractButton *>().isEmpty());
    const double dpi = twips::logicalDpi(&progress);
    QCOMPARE(progress.size(), QSize(twips::toPixels(4140, dpi), twips::toPixels(1395, dpi)));
    QCOMPARE(progress.minimumSize(), progress.maximumSize());
}

QTEST_MAIN(TestInfoWindows)
#include "tst_infowindows.moc"
