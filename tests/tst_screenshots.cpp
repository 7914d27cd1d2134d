#include "info/aide.h"
#include "info/apropos.h"
#include "settings/config.h"
#include "settings/frmproperties.h"
#include "simulatedboard.h"
#include "terminal/statuspanels.h"
#include "transfer/frmtransfert.h"

#include "terminalfixture.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QSet>
#include <QToolBar>
#include <QtTest/QTest>

// Every window of the program, drawn as the user sees it: each must render,
// and no caption, label or list may be cut off. With KORVEX_SCREENSHOT_DIR
// set (tools/screenshots.sh does it, under a virtual X server), the pictures
// are saved there as <window name>.png.
namespace {

// Widgets whose text shows as a whole or not at all.
bool carriesText(const QWidget *widget)
{
    return qobject_cast<const QLabel *>(widget) || qobject_cast<const QAbstractButton *>(widget)
        || qobject_cast<const QComboBox *>(widget) || qobject_cast<const QMenuBar *>(widget);
}

QString describe(const QWidget *widget)
{
    QString text;
    if (const auto *label = qobject_cast<const QLabel *>(widget))
        text = label->text();
    else if (const auto *button = qobject_cast<const QAbstractButton *>(widget))
        text = button->text();
    else if (const auto *group = qobject_cast<const QGroupBox *>(widget))
        text = group->title();
    else if (const auto *combo = qobject_cast<const QComboBox *>(widget))
        text = combo->currentText();
    return QStringLiteral("%1 %2 \"%3\"").arg(QLatin1String(widget->metaObject()->className()), widget->objectName(),
                                               text);
}

// What is cut off in the window: a text widget smaller than it asks to be,
// a group box smaller than its title and contents, or a widget that sticks
// out of its parent.
QStringList cutOff(QWidget &window)
{
    QStringList problems;
    const QList<QWidget *> widgets = window.findChildren<QWidget *>();
    for (QWidget *widget : widgets) {
        if (!widget->isVisibleTo(&window) || widget->isWindow())
            continue;
        const QSize size = widget->size();
        if (carriesText(widget)) {
            const QSize hint = widget->sizeHint();
            if (size.width() < hint.width() || size.height() < hint.height())
                problems << QStringLiteral("%1: %2x%3, needs %4x%5")
                                .arg(describe(widget))
                                .arg(size.width())
                                .arg(size.height())
                                .arg(hint.width())
                                .arg(hint.height());
        }
        if (const auto *group = qobject_cast<QGroupBox *>(widget)) {
            const QSize least = group->minimumSizeHint();
            if (size.width() < least.width() || size.height() < least.height())
                problems << QStringLiteral("%1: smaller than its minimum").arg(describe(widget));
        }
        // The main window's Frame1 lies below the toolbar's band by design.
        if (qobject_cast<QToolBar *>(widget->parentWidget()) && widget->objectName() == QLatin1String("Frame1"))
            continue;
        const QWidget *parent = widget->parentWidget();
        if (parent && !parent->rect().contains(widget->geometry()))
            problems << QStringLiteral("%1: outside its parent %2").arg(describe(widget), parent->objectName());
    }
    return problems;
}

// Renders the window, checks it, and saves it when asked to.
void inspect(QWidget &window, const QString &name)
{
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    // Texts just written (the clock) reach the layout through posted requests.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    const QImage image = window.grab().toImage();
    QVERIFY(!image.isNull());
    // Saved before the checks, so that a fault can be seen as well as read.
    const QString directory = qEnvironmentVariable("KORVEX_SCREENSHOT_DIR");
    if (!directory.isEmpty()) {
        QVERIFY(QDir().mkpath(directory));
        const QString path = QDir(directory).filePath(name + QStringLiteral(".png"));
        QVERIFY2(image.save(path), qPrintable(path));
    }

    QCOMPARE(image.size(), window.size() * image.devicePixelRatio());
    // Something is drawn: not one flat colour.
    QSet<QRgb> colours;
    for (int y = 0; y < image.height(); y += 3)
        for (int x = 0; x < image.width(); x += 3)
            colours.insert(image.pixel(x, y));
    QVERIFY2(colours.size() > 2, qPrintable(name));

    const QStringList problems = cutOff(window);
    QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));
}

} // namespace

class TestScreenshots : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void mainWindow();
    void portProperties();
    void startAddress();
    void help();
    void about();
    void progress();

private:
    std::unique_ptr<SimulatedBoard> m_board;
    std::unique_ptr<TerminalFixture> m_fixture;
};

// A started window on the simulated board, a program chosen.
void TestScreenshots::init()
{
    m_board = std::make_unique<SimulatedBoard>();
    QString error;
    QVERIFY2(m_board->open(&error), qPrintable(error));
    m_fixture = std::make_unique<TerminalFixture>();
    m_fixture->settings.mapPort(1, m_board->slavePath());
    m_fixture->chooser.answer = QFINDTESTDATA("data/blink_sdcc.hex");
    FrmTerminal &window = m_fixture->start();
    QVERIFY(window.serial().PortOpen());
    window.mnuOpenLog_Click();
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
}

void TestScreenshots::cleanup()
{
    m_fixture.reset();
    m_board.reset();
}

void TestScreenshots::mainWindow()
{
    FrmTerminal &window = *m_fixture->window;
    // The board greets after the first Enter; then the RAM dump.
    QTest::keyClick(window.txtTerm, Qt::Key_Return);
    QTRY_VERIFY(window.txtTerm->toPlainText().contains(QLatin1String("> ")));
    QTest::keyClick(window.txtTerm, Qt::Key_R);
    QTest::keyClick(window.txtTerm, Qt::Key_Return);
    QTRY_VERIFY(window.txtTerm->toPlainText().count(QLatin1String("> ")) >= 2);
    window.Timer1_Timer();
    QVERIFY(window.indicatorShowsConnected());
    inspect(window, QStringLiteral("frmTerminal"));
}

void TestScreenshots::portProperties()
{
    FrmTerminal &window = *m_fixture->window;
    FrmProperties dialog(window.serial(), window.shared(), m_fixture->settings.store, m_fixture->boxes, &window);
    dialog.show();
    inspect(dialog, QStringLiteral("frmProperties"));
}

void TestScreenshots::startAddress()
{
    FrmTerminal &window = *m_fixture->window;
    Config dialog(window.shared(), {}, &window);
    dialog.show();
    inspect(dialog, QStringLiteral("Config"));
}

void TestScreenshots::help()
{
    FrmTerminal &window = *m_fixture->window;
    window.mnuaide_Click();
    Aide *aide = window.findChild<Aide *>();
    QVERIFY(aide);
    inspect(*aide, QStringLiteral("aide"));
}

void TestScreenshots::about()
{
    FrmTerminal &window = *m_fixture->window;
    window.mnuapropos_Click();
    Apropos *apropos = window.findChild<Apropos *>();
    QVERIFY(apropos);
    inspect(*apropos, QStringLiteral("Apropos"));
}

void TestScreenshots::progress()
{
    FrmTerminal &window = *m_fixture->window;
    FrmTransfert dialog(&window);
    dialog.show();
    inspect(dialog, QStringLiteral("frmTransfert"));
}

QTEST_MAIN(TestScreenshots)
#include "tst_screenshots.moc"
