// SPDX-License-Identifier: GPL-3.0-or-later
#include "screen/keyboardsend.h"
#include "screen/terminalaccessible.h"
#include "screen/terminaldisplay.h"
#include "screen/terminalview.h"
#include "screen/terminalzoom.h"
#include "settings/config.h"
#include "settings/frmproperties.h"
#include "shared/assistivetools.h"
#include "terminal/accessiblenotice.h"
#include "transfer/frmtransfert.h"
#include "transfer/upload.h"

#include "terminalfixture.h"

#include <QAccessible>
#include <QAccessibleTextInterface>
#include <QSettings>
#include <QtTest>

namespace {

// What an assistive tool is told, one line per event.
QStringList g_told;
QList<qint64> g_toldAt; // milliseconds on g_clock
QElapsedTimer g_clock;
QObject *g_watched = nullptr;

void recordEvent(QAccessibleEvent *event)
{
    if (event->object() != g_watched)
        return;
    g_toldAt << g_clock.elapsed();
    switch (event->type()) {
    case QAccessible::TextInserted: {
        const auto *inserted = static_cast<QAccessibleTextInsertEvent *>(event);
        g_told << QStringLiteral("insert %1 %2").arg(inserted->changePosition()).arg(inserted->textInserted());
        break;
    }
    case QAccessible::TextRemoved: {
        const auto *removed = static_cast<QAccessibleTextRemoveEvent *>(event);
        g_told << QStringLiteral("remove %1 %2").arg(removed->changePosition()).arg(removed->textRemoved().size());
        break;
    }
    case QAccessible::TextCaretMoved:
        g_told << QStringLiteral("caret %1").arg(static_cast<QAccessibleTextCursorEvent *>(event)->cursorPosition());
        break;
    case QAccessible::ObjectShow: {
        QAccessibleInterface *shown = event->accessibleInterface();
        g_told << QStringLiteral("shown %1 %2").arg(int(shown->role())).arg(shown->text(QAccessible::Name));
        break;
    }
    default: g_toldAt.removeLast(); break;
    }
}

QAccessibleTextInterface *textOf(QWidget &widget)
{
    QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(&widget);
    return accessible ? accessible->textInterface() : nullptr;
}

// Controls that a screen reader names when it lands on them.
bool isControl(QAccessible::Role role)
{
    switch (role) {
    case QAccessible::PushButton:
    case QAccessible::ButtonMenu:
    case QAccessible::CheckBox:
    case QAccessible::RadioButton:
    case QAccessible::ComboBox:
    case QAccessible::EditableText:
    case QAccessible::StaticText:
    case QAccessible::Graphic:
    case QAccessible::ProgressBar:
    case QAccessible::PageTab:
    case QAccessible::Grouping:
    case QAccessible::Terminal:
    case QAccessible::Dialog:
    case QAccessible::Window: return true;
    default: return false;
    }
}

// The controls under an interface that have no name, by object name.
QStringList unnamed(QAccessibleInterface *accessible)
{
    QStringList found;
    const bool shown = !accessible->state().invisible;
    if (shown && isControl(accessible->role()) && accessible->text(QAccessible::Name).trimmed().isEmpty())
        found << (accessible->object() ? accessible->object()->objectName() : QStringLiteral("?"))
                     + QStringLiteral("(%1 %2)")
                           .arg(int(accessible->role()))
                           .arg(accessible->object() ? accessible->object()->metaObject()->className() : "");
    for (int i = 0; i < accessible->childCount(); ++i)
        found << unnamed(accessible->child(i));
    return found;
}

} // namespace

class TestAccessibility : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        g_clock.start();
        AssistiveTools::setListener(&recordEvent);
        QVERIFY(AssistiveTools::active());
    }

    // The text interface over "P 4100\n> " (9 characters), offsets as a late tool may send them.
    void textInterface_data()
    {
        QTest::addColumn<int>("where"); // -1 before, 0 at, 1 after; 2: text(offset, end)
        QTest::addColumn<int>("offset");
        QTest::addColumn<int>("boundary"); // the end, for text()
        QTest::addColumn<QString>("expected");
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("end");
        const int character = QAccessible::CharBoundary, word = QAccessible::WordBoundary;
        const int line = QAccessible::LineBoundary, whole = QAccessible::NoBoundary;
        QTest::newRow("text, all") << 2 << 0 << -1 << "P 4100\n> " << 0 << 9;
        QTest::newRow("text, clamped") << 2 << -5 << 999 << "P 4100\n> " << 0 << 9;
        QTest::newRow("text, reversed") << 2 << 6 << 2 << "" << 6 << 6;
        QTest::newRow("character at") << 0 << 2 << character << "4" << 2 << 3;
        QTest::newRow("character at the end") << 0 << 9 << character << "" << 9 << 9;
        QTest::newRow("character beyond the end") << 0 << 60 << character << "" << 9 << 9;
        QTest::newRow("character before the start") << -1 << 0 << character << "" << 0 << 0;
        QTest::newRow("character after") << 1 << 2 << character << "1" << 3 << 4;
        QTest::newRow("word at a blank") << 0 << 1 << word << "P " << 0 << 2;
        QTest::newRow("word at the end") << 0 << 9 << word << "> " << 7 << 9;
        QTest::newRow("word after") << 1 << 0 << word << "4100\n" << 2 << 7;
        QTest::newRow("word before") << -1 << 4 << word << "P " << 0 << 2;
        QTest::newRow("line at") << 0 << 3 << line << "P 4100\n" << 0 << 7;
        QTest::newRow("line at its break") << 0 << 6 << line << "P 4100\n" << 0 << 7;
        QTest::newRow("line at the caret") << 0 << 9 << line << "> " << 7 << 9;
        QTest::newRow("line at a negative offset") << 0 << -3 << line << "P 4100\n" << 0 << 7;
        QTest::newRow("line before") << -1 << 8 << line << "P 4100\n" << 0 << 7;
        QTest::newRow("line after") << 1 << 2 << line << "> " << 7 << 9;
        QTest::newRow("line after the last") << 1 << 8 << line << "" << 9 << 9;
        QTest::newRow("line before the first") << -1 << 2 << line << "" << 0 << 0;
        QTest::newRow("no boundary") << 0 << 4 << whole << "P 4100\n> " << 0 << 9;
    }
    void textInterface()
    {
        QFETCH(int, where);
        QFETCH(int, offset);
        QFETCH(int, boundary);
        TerminalView view;
        view.applyEdit({0, 0, QStringLiteral("P 4100\n> ")});
        QAccessibleTextInterface *text = textOf(view);
        QVERIFY(text);
        int start = -2, end = -2;
        QString got;
        const auto type = QAccessible::TextBoundaryType(boundary);
        if (where == 2) {
            got = text->text(offset, boundary);
            start = std::clamp(offset, 0, 9);
            end = start + int(got.size());
        } else if (where < 0) {
            got = text->textBeforeOffset(offset, type, &start, &end);
        } else {
            got = where == 0 ? text->textAtOffset(offset, type, &start, &end)
                             : text->textAfterOffset(offset, type, &start, &end);
        }
        QTEST(got, "expected");
        QTEST(start, "start");
        QTEST(end, "end");
    }

    // Role, states, caret, selection both ways and the cells on screen.
    void caretSelectionAndCells()
    {
        TerminalView view;
        view.resize(400, 200);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        view.applyEdit({0, 0, QStringLiteral("P 4100\n\tX\n> ")});
        QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(&view);
        QCOMPARE(accessible->role(), QAccessible::Terminal);
        const QAccessible::State state = accessible->state();
        QVERIFY(state.multiLine && state.selectableText && state.readOnly && state.focusable && !state.editable);
        QVERIFY(!accessible->text(QAccessible::Name).isEmpty());
        QAccessibleTextInterface *text = accessible->textInterface();
        QCOMPARE(text->characterCount(), 12);
        QCOMPARE(text->cursorPosition(), 12);

        text->setSelection(0, 2, 6);
        QCOMPARE(view.selectedText(), QStringLiteral("4100"));
        int start = 0, end = 0;
        text->selection(0, &start, &end);
        QCOMPARE(QPair(start, end), QPair(2, 6));
        QCOMPARE(text->selectionCount(), 1);
        text->setSelection(0, -4, 500);
        QCOMPARE(view.selectedText(), view.text());
        text->removeSelection(0);
        QCOMPARE(text->selectionCount(), 0);
        text->setCursorPosition(999);
        QCOMPARE(text->cursorPosition(), 12);

        // Each cell's centre is its own offset, the tab's wide cell too.
        for (const int offset : {0, 3, 7, 8, 10}) {
            const QRect cell = text->characterRect(offset);
            QVERIFY2(cell.width() > 0, qPrintable(QString::number(offset)));
            QCOMPARE(text->offsetAtPoint(cell.center()), offset);
        }
        QVERIFY(text->characterRect(7).width() > 4 * text->characterRect(8).width());
        QCOMPARE(text->offsetAtPoint(view.viewport()->mapToGlobal(QPoint(-10, -10))), -1);
    }

    // What the tool is told as the board talks: additions grouped, the
    // bound's drop and a backspace as removals, the caret at the end.
    void events()
    {
        RecordingMessageBoxes boxes;
        TerminalView view;
        TerminalDisplay display(view, boxes);
        g_watched = &view;
        g_told.clear();
        g_toldAt.clear();

        display.display(QStringLiteral("P 41"));
        display.display(QStringLiteral("00\r\n> "));
        QTRY_COMPARE(g_told, QStringList({"insert 0 P 4100\n> ", "caret 9"}));
        // Two frames' worth, close together: one telling, a group later.
        display.display(QStringLiteral("R"));
        QTimer::singleShot(0, &display, [&] { display.display(QStringLiteral("\r")); });
        QTRY_COMPARE(g_told.size(), 4);
        QVERIFY2(g_toldAt.at(2) - g_toldAt.at(0) >= TerminalAnnouncer::GroupMs * 9 / 10, "additions not grouped");
        QCOMPARE(g_told.mid(2), QStringList({"insert 9 R\n", "caret 11"}));

        g_told.clear();
        display.display(QStringLiteral("\b"));
        QTRY_COMPARE(g_told, QStringList({"remove 10 1", "caret 10"}));

        // Over the bound: the front goes, the addition ends at the caret.
        g_told.clear();
        display.showNow(QString(16001 - 10, u'x'));
        QTRY_COMPARE(g_told.size(), 2);
        QCOMPARE(g_told.last(), QStringLiteral("caret 16001"));
        display.display(QStringLiteral("END"));
        QTRY_COMPARE(g_told.size(), 5);
        QCOMPARE(g_told.mid(2), QStringList({"remove 0 4096", "insert 11905 END", "caret 11908"}));

        // No tool: nothing told, nothing kept; the next tool hears only what is new.
        g_told.clear();
        AssistiveTools::setListener(nullptr);
        QVERIFY(!AssistiveTools::active());
        display.showNow(QStringLiteral("unheard"));
        AssistiveTools::setListener(&recordEvent);
        display.display(QStringLiteral("!"));
        QTRY_COMPARE(g_told, QStringList({"insert 11915 !", "caret 11916"}));

        // A notice over the status bar is shown as a notification named by it.
        AccessibleNotice notice(nullptr);
        g_watched = &notice;
        g_told.clear();
        notice.announce(QStringLiteral("Transfert terminé"));
        QCOMPARE(g_told, QStringList(QStringLiteral("shown %1 Transfert terminé").arg(int(QAccessible::Notification))));
        g_watched = nullptr;
    }

    // The zoom keys and wheel, kept in the settings file and restored; the board gets nothing.
    void zoom_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("gesture"); // + - 0 for the keys, w<delta> for the wheel, blank-separated
        QTest::addColumn<int>("expected");    // 0: the normal size
        QTest::newRow("plus") << "10"
                              << "+" << 11;
        QTest::newRow("off a step, minus") << "13"
                                           << "-" << 12;
        QTest::newRow("largest") << "72"
                                 << "+" << 72;
        QTest::newRow("smallest") << "7"
                                  << "- -" << 6;
        QTest::newRow("stored too large") << "200"
                                          << "" << 72;
        QTest::newRow("unreadable") << "grand"
                                    << "" << 0;
        QTest::newRow("back to normal") << "20"
                                        << "0" << 0;
        QTest::newRow("wheel") << "10"
                               << "w240" << 12;
        QTest::newRow("wheel by halves") << "10"
                                         << "w-60 w-60" << 9;
    }
    void zoom()
    {
        QFETCH(QString, stored);
        QFETCH(QString, gesture);
        QFETCH(int, expected);
        TempSettings settings;
        settings.store.save(TerminalZoom::Section, TerminalZoom::Key, stored);
        QStringList sent;
        TerminalView view;
        prepareTerminalTextBox(view);
        const int normal = view.font().pointSize();
        KeyboardLink link;
        link.portOpen = [] { return true; };
        link.output = [&](const QString &s) { sent << s; };
        link.echo = [] { return true; };
        link.show = link.output;
        new KeyboardSend(view, link);
        auto *zoom = new TerminalZoom(view, settings.store);
        for (const QString &step : gesture.split(u' ', Qt::SkipEmptyParts)) {
            if (step.startsWith(u'w')) {
                const QPointF at(5, 5);
                QWheelEvent wheel(at, view.viewport()->mapToGlobal(at), QPoint(), QPoint(0, step.mid(1).toInt()),
                                  Qt::NoButton, Qt::ControlModifier, Qt::NoScrollPhase, false);
                QVERIFY(QApplication::sendEvent(view.viewport(), &wheel));
            } else {
                const Qt::Key key = step == u"+" ? Qt::Key_Plus : step == u"-" ? Qt::Key_Minus : Qt::Key_0;
                QTest::keyClick(&view, key, Qt::ControlModifier);
            }
        }
        if (expected == 0)
            expected = normal;
        QCOMPARE(view.font().pointSize(), expected);
        QCOMPARE(zoom->pointSize(), expected);
        QVERIFY2(sent.isEmpty(), qPrintable(sent.join(u'|')));
        QVERIFY(view.text().isEmpty());
        if (!gesture.isEmpty())
            QCOMPARE(QSettings(settings.store.fileName(), QSettings::IniFormat).value("Terminal/FontSize").toInt(),
                     expected);
        // The next start finds it.
        TerminalView next;
        prepareTerminalTextBox(next);
        new TerminalZoom(next, settings.store);
        QCOMPARE(next.font().pointSize(), expected);
    }

    // Every control of the main window, the progress window and both dialogs can be named by a screen reader.
    void names_data()
    {
        QTest::addColumn<QString>("window");
        for (const char *name : {"frmTerminal", "frmTransfert", "frmProperties", "Config"})
            QTest::newRow(name) << QString::fromLatin1(name);
    }
    void names()
    {
        QFETCH(QString, window);
        TerminalFixture fixture;
        FrmTerminal &main = fixture.start();
        SharedValues values = main.shared();
        std::unique_ptr<QWidget> shown;
        if (window == u"frmTransfert") {
            auto progress = std::make_unique<FrmTransfert>(&main);
            progress->showProgress({3, 40, QStringLiteral("4130"), 1500, false});
            shown = std::move(progress);
        } else if (window == u"frmProperties") {
            shown =
                std::make_unique<FrmProperties>(main.serial(), values, fixture.settings.store, fixture.boxes, &main);
        } else if (window == u"Config") {
            shown = std::make_unique<Config>(values, nullptr, &main);
        }
        QWidget &top = shown ? *shown : static_cast<QWidget &>(main);
        top.show();
        QVERIFY(QTest::qWaitForWindowExposed(&top));
        QTRY_VERIFY(!panelText(main, "ConnectTime").isEmpty());
        const QStringList missing = unnamed(QAccessible::queryAccessibleInterface(&top));
        QVERIFY2(missing.isEmpty(), qPrintable(missing.join(u' ')));
    }
};

QTEST_MAIN(TestAccessibility)
#include "tst_accessibility.moc"
