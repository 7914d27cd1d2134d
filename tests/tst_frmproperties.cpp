#include "fakes.h"
#include "ptypair.h"
#include "testenv.h"

#include "serial/mscomm.h"
#include "settings/frmproperties.h"
#include "shared/sharedvalues.h"

#include <QtTest>
#include <QtWidgets>

namespace {

const char *const Lists[] = {"cboPort", "cboSpeed", "cboDataBits", "cboParity", "cboStopBits"};

// The dialog with its component, store and recording fakes; one per test.
struct Harness
{
    TempSettings settings;
    SharedValues shared;
    RecordingMessageBoxes boxes;
    QList<SerialDevice> devices;
    MSComm comm{PortResolver(
        &settings.store, [this] { return devices; }, noConsoles)};
    std::unique_ptr<FrmProperties> dialog;
    std::unique_ptr<QSignalSpy> uploadSpy;

    FrmProperties &open()
    {
        dialog = std::make_unique<FrmProperties>(comm, shared, settings.store, boxes);
        uploadSpy = std::make_unique<QSignalSpy>(dialog.get(), &FrmProperties::uploadCommandEnabledChanged);
        dialog->show();
        return *dialog;
    }
    QComboBox *list(const char *name) const { return dialog->findChild<QComboBox *>(QLatin1String(name)); }
    void choose(const char *name, const QString &entry) const
    {
        list(name)->setCurrentIndex(list(name)->findText(entry));
        QCOMPARE(list(name)->currentText(), entry);
    }
    void click(const QString &name) const { dialog->findChild<QAbstractButton *>(name)->click(); }
    QStringList stored() const // Settings, CommPort, Handshaking, Echo; "-" when absent
    {
        QStringList values;
        for (const char *key : {"Settings", "CommPort", "Handshaking", "Echo"})
            values << settings.store.get(SettingsStore::PropertiesSection, QLatin1String(key), QStringLiteral("-"));
        return values;
    }
};

} // namespace

class TestFrmProperties : public QObject
{
    Q_OBJECT
private slots:
    void controlsAndLists()
    {
        Harness h;
        FrmProperties &dialog = h.open();
        QCOMPARE(dialog.windowTitle(), QStringLiteral("CommPort Properties"));
        QStringList entries;
        for (const char *name : Lists)
            for (int i = 0; i < h.list(name)->count(); ++i)
                entries << h.list(name)->itemText(i);
        for (const char *name : {"optFlow0", "optFlow1", "optFlow2", "optFlow3", "optEcho0", "optEcho1"})
            entries << dialog.findChild<QRadioButton *>(QLatin1String(name))->text();
        QCOMPARE(entries.join(','),
                 QStringLiteral("Com1,Com2,Com3,Com4,Com5,Com6,Com7,Com8,Com9,Com10,Com11,Com12,"
                                "Com13,Com14,Com15,Com16,110,300,600,1200,2400,4800,9600,14400,"
                                "19200,28800,38400,56000,57600,115200,128000,256000,4,5,6,7,8,"
                                "Even,Odd,None,Mark,Space,1,1.5,2,None,Xon/Xoff,RTS,Xon/RTS,Off,On"));
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        QVERIFY(qAbs(dialog.x() - (screen.width() - dialog.width()) / 2) <= 1);
        QVERIFY(qAbs(dialog.y() - (screen.height() - dialog.height()) / 2) <= 1);
    }

    void loading_data()
    {
        QTest::addColumn<QString>("settings");
        QTest::addColumn<int>("port");
        QTest::addColumn<int>("flow");
        QTest::addColumn<bool>("echo");
        QTest::addColumn<QStringList>("shown"); // port, speed, data bits, parity, stop bits
        QTest::newRow("9600,n,8,1 on Com1")
            << "9600,n,8,1" << 1 << 0 << false << QStringList{"Com1", "9600", "8", "None", "1"};
        QTest::newRow("4800,o,7,1.5") << "4800,o,7,1.5" << 3 << 2 << true
                                      << QStringList{"Com3", "4800", "7", "Odd", "1.5"};
        QTest::newRow("mark parity") << "115200,m,8,2" << 16 << 3 << false
                                     << QStringList{"Com16", "115200", "8", "Mark", "2"};
        // Values no list offers leave that list unselected.
        QTest::newRow("unlisted speed") << "4000,e,8,1" << 1 << 1 << true << QStringList{"Com1", "", "8", "Even", "1"};
        QTest::newRow("port above the list")
            << "110,s,4,1" << 17 << 0 << false << QStringList{"", "110", "4", "Space", "1"};
    }
    void loading()
    {
        QFETCH(QString, settings);
        QFETCH(int, port);
        QFETCH(int, flow);
        QFETCH(bool, echo);
        QFETCH(QStringList, shown);
        Harness h;
        h.comm.setSettings(settings);
        h.comm.setCommPort(port);
        h.comm.setHandshaking(flow);
        h.shared.Echo = echo;
        FrmProperties &dialog = h.open();
        QStringList actual;
        for (const char *name : Lists)
            actual << h.list(name)->currentText();
        QCOMPARE(actual, shown);
        QCOMPARE(dialog.FlowChoice(), flow);
        QCOMPARE(dialog.EchoChoice(), echo);
        QCOMPARE(h.stored(), (QStringList{"-", "-", "-", "-"}));
    }

    void closing_data()
    {
        QTest::addColumn<int>("port");
        QTest::addColumn<bool>("open");
        QTest::addColumn<QStringList>("choices"); // the five lists, flow and echo options
        QTest::addColumn<QString>("closedBy");
        QTest::addColumn<QStringList>("inForce"); // Settings, CommPort, Handshaking, Echo; stored as well on OK
        const QStringList defaults{"9600,n,8,1", "1", "0", "False"};
        const QStringList changes{"Com16", "110", "5", "Mark", "1.5", "optFlow3", "optEcho1"};
        // clang-format off
        QTest::newRow("OK unchanged, closed") << 1 << false << QStringList() << "cmdOK" << defaults;
        QTest::newRow("OK unchanged, open") << 1 << true << QStringList() << "cmdOK" << defaults;
        // Only the port number changes; the port stays closed.
        QTest::newRow("OK switch while closed, 1.5 stop bits") << 1 << false << changes << "cmdOK"
                                                               << QStringList{"110,m,5,1.5", "16", "3", "True"};
        // A port above Com16 (only an edited store gives one) has no entry: kept, not closed.
        QTest::newRow("OK unlisted port kept open") << 17 << true << QStringList() << "cmdOK"
                                                    << QStringList{"9600,n,8,1", "17", "0", "False"};
        QTest::newRow("Cancel") << 1 << false << changes << "cmdCancel" << defaults;
        QTest::newRow("close box") << 1 << false << changes << "" << defaults;
        // clang-format on
    }
    void closing()
    {
        QFETCH(int, port);
        QFETCH(bool, open);
        QFETCH(QStringList, choices);
        QFETCH(QString, closedBy);
        QFETCH(QStringList, inForce);
        Harness h;
        PtyPair pty;
        h.settings.mapPort(port, pty.slavePath());
        h.comm.setCommPort(port);
        h.comm.setPortOpen(open);
        FrmProperties &dialog = h.open();
        for (int i = 0; i < choices.size(); ++i)
            i < 5 ? h.choose(Lists[i], choices[i]) : h.click(choices[i]);

        closedBy.isEmpty() ? void(dialog.close()) : h.click(closedBy);

        QVERIFY(h.boxes.shown.isEmpty());
        QVERIFY(!dialog.isVisible());
        QCOMPARE(QStringList({h.comm.Settings(), QString::number(h.comm.CommPort()),
                              QString::number(h.comm.Handshaking()), h.shared.Echo ? "True" : "False"}),
                 inForce);
        QCOMPARE(h.stored(), closedBy == QLatin1String("cmdOK") ? inForce : QStringList({"-", "-", "-", "-"}));
        QCOMPARE(h.comm.PortOpen(), open);
        QVERIFY(h.uploadSpy->isEmpty());
    }

    // Beside the port list: the device the selected number resolves to.
    void showsTheDevice()
    {
        Harness h;
        h.settings.mapPort(3, QStringLiteral("/nonexistent/ttyKORVEX"));
        // Unmapped ports count the listed devices, USB adapters first.
        h.devices = {{QStringLiteral("ttyACM0"), QStringLiteral("/dev/ttyACM0"), QString()},
                     {QStringLiteral("ttyUSB0"), QStringLiteral("/dev/ttyUSB0"), QStringLiteral("FT232R USB UART")}};
        h.open();
        QStringList shown;
        for (const char *entry : {"Com1", "Com2", "Com3", "Com4"}) {
            h.choose("cboPort", entry);
            shown << h.dialog->findChild<QLabel *>(QStringLiteral("lblDevice"))->text();
        }
        QCOMPARE(shown, (QStringList{"/dev/ttyUSB0 — FT232R USB UART", "/dev/ttyACM0",
                                     "/nonexistent/ttyKORVEX — absent", "absent"}));
    }
};

QTEST_MAIN(TestFrmProperties)
#include "tst_frmproperties.moc"
