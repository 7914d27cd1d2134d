#include "fakes.h"

#include "serial/mscomm.h"
#include "settings/frmproperties.h"
#include "settings/settingsstore.h"
#include "shared/sharedvalues.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QtTest/QTest>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <unistd.h>

namespace {

// A pseudo-terminal standing in for a serial device; the test keeps the master.
struct Pty
{
    int master = -1;
    int slave = -1;
    QString slavePath;

    Pty()
    {
        char name[256] = {};
        if (::openpty(&master, &slave, name, nullptr, nullptr) == 0)
            slavePath = QString::fromLocal8Bit(name);
    }
    ~Pty()
    {
        if (slave >= 0)
            ::close(slave);
        if (master >= 0)
            ::close(master);
    }
    Pty(const Pty &) = delete;
    Pty &operator=(const Pty &) = delete;

    // Whatever reaches the master within the bound.
    QByteArray readMaster(int timeoutMs = 5000) const
    {
        pollfd pfd{master, POLLIN, 0};
        if (::poll(&pfd, 1, timeoutMs) <= 0)
            return {};
        char buffer[256];
        const ssize_t n = ::read(master, buffer, sizeof buffer);
        return n > 0 ? QByteArray(buffer, int(n)) : QByteArray();
    }
};

// The component, its store and the dialog's other partners, one set per test.
struct Harness
{
    QTemporaryDir dir;
    SettingsStore store{dir.filePath(QStringLiteral("korvex.ini"))};
    SharedValues shared;
    RecordingMessageBoxes boxes;
    QList<SerialDevice> devices;
    MSComm comm{PortResolver(&store, [this] { return devices; }, [] { return QStringList{}; })};
    std::unique_ptr<FrmProperties> dialog;
    std::unique_ptr<QSignalSpy> uploadSpy;
    std::unique_ptr<QSignalSpy> portStateSpy;
    std::unique_ptr<QSignalSpy> settingsSpy;

    void mapPort(int port, const QString &path)
    {
        store.save(SettingsStore::PortsSection, QStringLiteral("Com%1").arg(port), path);
    }

    FrmProperties &openDialog()
    {
        dialog = std::make_unique<FrmProperties>(comm, shared, store, boxes);
        uploadSpy = std::make_unique<QSignalSpy>(dialog.get(), &FrmProperties::uploadCommandEnabledChanged);
        portStateSpy = std::make_unique<QSignalSpy>(dialog.get(), &FrmProperties::portStateChanged);
        settingsSpy = std::make_unique<QSignalSpy>(dialog.get(), &FrmProperties::settingsApplied);
        dialog->show();
        return *dialog;
    }

    QComboBox *list(const char *name) const { return dialog->findChild<QComboBox *>(QLatin1String(name)); }
    void choose(const char *listName, const QString &entry) const
    {
        QComboBox *combo = list(listName);
        const int index = combo->findText(entry);
        QVERIFY2(index >= 0, qPrintable(entry));
        combo->setCurrentIndex(index);
    }
    void clickOption(const QString &name) const { dialog->findChild<QRadioButton *>(name)->click(); }
    int checkedId(const char *group) const
    {
        return dialog->findChild<QButtonGroup *>(QLatin1String(group))->checkedId();
    }
    void click(const char *button) const { dialog->findChild<QPushButton *>(QLatin1String(button))->click(); }

    QString stored(const char *key) const
    {
        return store.get(SettingsStore::PropertiesSection, QLatin1String(key), QStringLiteral("<absent>"));
    }
    bool nothingStored() const
    {
        for (const char *key : {"Settings", "CommPort", "Handshaking", "Echo"}) {
            if (stored(key) != QLatin1String("<absent>"))
                return false;
        }
        return true;
    }
    MessageRequest exclamation(const QString &text, const QString &informative = {}) const
    {
        return {MessageRequest::Icon::Exclamation, MessageRequest::Buttons::Ok, QStringLiteral("KORVEX Terminal"),
                text, informative};
    }
};

} // namespace

class TestFrmProperties : public QObject
{
    Q_OBJECT
private slots:
    void controlsAndLists();
    void loading_data();
    void loading();
    void selectionFor_data();
    void selectionFor();
    void noParitySelectionIsRefused();
    void okWithoutChanges_data();
    void okWithoutChanges();
    void appliesAndStoresTheChoices_data();
    void appliesAndStoresTheChoices();
    void portSwitchWhileOpen();
    void failedPortSwitchWhileOpen_data();
    void failedPortSwitchWhileOpen();
    void portSwitchWhileClosed();
    void unlistedPortIsKept();
    void cancelChangesNothing();
    void showsTheDevice_data();
    void showsTheDevice();
};

void TestFrmProperties::controlsAndLists()
{
    Harness h;
    FrmProperties &dialog = h.openDialog();
    QCOMPARE(dialog.objectName(), QStringLiteral("frmProperties"));
    QCOMPARE(dialog.windowTitle(), QStringLiteral("CommPort Properties"));
    auto *tabs = dialog.findChild<QTabWidget *>(QStringLiteral("tabSettings"));
    QCOMPARE(tabs->count(), 1);
    QCOMPARE(tabs->tabText(0), QStringLiteral("Properties"));
    QCOMPARE(tabs->widget(0)->objectName(), QStringLiteral("fraSettings"));

    const QList<std::pair<const char *, QStringList>> lists = {
        {"cboPort", propertylists::ports()},       {"cboSpeed", propertylists::speeds()},
        {"cboDataBits", propertylists::dataBits()}, {"cboParity", propertylists::parities()},
        {"cboStopBits", propertylists::stopBits()}};
    for (const auto &[name, entries] : lists) {
        QComboBox *combo = h.list(name);
        QVERIFY2(combo && !combo->isEditable(), name);
        QStringList shown;
        for (int i = 0; i < combo->count(); ++i)
            shown.append(combo->itemText(i));
        QCOMPARE(shown, entries);
    }
    QCOMPARE(propertylists::ports().first(), QStringLiteral("Com1"));
    QCOMPARE(propertylists::ports().last(), QStringLiteral("Com16"));
    QCOMPARE(propertylists::speeds().size(), 16);

    QStringList flow;
    for (int id = 0; id < 4; ++id)
        flow.append(dialog.findChild<QRadioButton *>(QStringLiteral("optFlow%1").arg(id))->text());
    QCOMPARE(flow, (QStringList{"None", "Xon/Xoff", "RTS", "Xon/RTS"}));
    QCOMPARE(dialog.findChild<QRadioButton *>(QStringLiteral("optEcho0"))->text(), QStringLiteral("Off"));
    QCOMPARE(dialog.findChild<QRadioButton *>(QStringLiteral("optEcho1"))->text(), QStringLiteral("On"));

    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    QVERIFY(qAbs(dialog.x() - (screen.width() - dialog.width()) / 2) <= 1);
    QVERIFY(qAbs(dialog.y() - (screen.height() - dialog.height()) / 2) <= 1);
}

void TestFrmProperties::loading_data()
{
    QTest::addColumn<QString>("settings");
    QTest::addColumn<int>("port");
    QTest::addColumn<int>("handshaking");
    QTest::addColumn<bool>("echo");
    QTest::addColumn<QStringList>("shown"); // port, speed, data bits, parity, stop bits
    QTest::addColumn<int>("flow");

    QTest::newRow("9600,n,8,1 on Com1") << "9600,n,8,1" << 1 << 0 << false
                                        << QStringList{"Com1", "9600", "8", "None", "1"} << 0;
    QTest::newRow("4800,o,7,1.5") << "4800,o,7,1.5" << 3 << 2 << true
                                  << QStringList{"Com3", "4800", "7", "Odd", "1.5"} << 2;
    QTest::newRow("mark parity") << "115200,m,8,2" << 16 << 3 << false
                                 << QStringList{"Com16", "115200", "8", "Mark", "2"} << 3;
    QTest::newRow("space parity, 4 data bits") << "110,s,4,1" << 2 << 1 << true
                                               << QStringList{"Com2", "110", "4", "Space", "1"} << 1;
    QTest::newRow("even parity, 256000") << "256000,e,6,2" << 5 << 0 << false
                                         << QStringList{"Com5", "256000", "6", "Even", "2"} << 0;
    // Values no list offers leave that list unselected.
    QTest::newRow("unlisted speed") << "4000,e,8,1" << 1 << 0 << false
                                    << QStringList{"Com1", "", "8", "Even", "1"} << 0;
    QTest::newRow("port above the list") << "9600,n,8,1" << 17 << 0 << false
                                         << QStringList{"", "9600", "8", "None", "1"} << 0;
}

void TestFrmProperties::loading()
{
    QFETCH(QString, settings);
    QFETCH(int, port);
    QFETCH(int, handshaking);
    QFETCH(bool, echo);
    QFETCH(QStringList, shown);
    QFETCH(int, flow);

    Harness h;
    h.comm.setSettings(settings);
    h.comm.setCommPort(port);
    h.comm.setHandshaking(handshaking);
    h.shared.Echo = echo;
    FrmProperties &dialog = h.openDialog();

    const QStringList actual{h.list("cboPort")->currentText(), h.list("cboSpeed")->currentText(),
                             h.list("cboDataBits")->currentText(), h.list("cboParity")->currentText(),
                             h.list("cboStopBits")->currentText()};
    QCOMPARE(actual, shown);
    QCOMPARE(h.checkedId("optFlow"), flow);
    QCOMPARE(h.checkedId("optEcho"), echo ? 1 : 0);
    QCOMPARE(dialog.FlowChoice(), flow);
    QCOMPARE(dialog.EchoChoice(), echo);
    // Loading applies nothing.
    QVERIFY(h.nothingStored());
    QCOMPARE(h.comm.Settings(), settings);
}

void TestFrmProperties::selectionFor_data()
{
    QTest::addColumn<QString>("settings");
    QTest::addColumn<int>("port");
    QTest::addColumn<PropertySelection>("expected"); // port, speed, parity, data bits, stop bits

    QTest::newRow("9600,n,8,1") << "9600,n,8,1" << 1 << PropertySelection{0, 6, 2, 4, 0};
    QTest::newRow("19200,e,7,1.5") << "19200,e,7,1.5" << 2 << PropertySelection{1, 8, 0, 3, 1};
    QTest::newRow("upper-case parity") << "9600,N,8,1" << 1 << PropertySelection{0, 6, -1, 4, 0};
    QTest::newRow("upper-case mark") << "9600,M,8,1.5" << 1 << PropertySelection{0, 6, -1, 4, 1};
    QTest::newRow("unknown parity letter") << "9600,x,8,1" << 1 << PropertySelection{0, 6, -1, 4, 0};
    QTest::newRow("port 0") << "9600,n,8,1" << 0 << PropertySelection{-1, 6, 2, 4, 0};
    QTest::newRow("empty text") << "" << 1 << PropertySelection{0, -1, -1, -1, -1};
    QTest::newRow("too short") << "8,1" << 1 << PropertySelection{0, -1, -1, 4, 0};
}

void TestFrmProperties::selectionFor()
{
    QFETCH(QString, settings);
    QFETCH(int, port);
    QFETCH(PropertySelection, expected);
    const PropertySelection actual = ::selectionFor(settings, port);
    QCOMPARE(actual.port, expected.port);
    QCOMPARE(actual.speed, expected.speed);
    QCOMPARE(actual.parity, expected.parity);
    QCOMPARE(actual.dataBits, expected.dataBits);
    QCOMPARE(actual.stopBits, expected.stopBits);
}

// A reported upper-case parity letter leaves the parity list unselected (see
// selectionFor); OK then hands the component an empty parity field.
void TestFrmProperties::noParitySelectionIsRefused()
{
    Harness h;
    FrmProperties &dialog = h.openDialog();
    h.list("cboParity")->setCurrentIndex(-1);
    h.choose("cboPort", QStringLiteral("Com2"));
    h.clickOption(QStringLiteral("optEcho1"));

    h.click("cmdOK");

    QCOMPARE(h.boxes.shown, QList<MessageRequest>{h.exclamation(QStringLiteral("Invalid property value"))});
    QVERIFY(dialog.isVisible());
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
    QCOMPARE(h.comm.Settings(), QStringLiteral("9600,n,8,1"));
    // The port change made before the refused settings stays in force.
    QCOMPARE(h.comm.CommPort(), 2);
    QCOMPARE(h.portStateSpy->count(), 1);
    QVERIFY(h.settingsSpy->isEmpty());
    QVERIFY(h.uploadSpy->isEmpty());
    QVERIFY(h.shared.Echo);
    QVERIFY(h.nothingStored());

    // Corrected, OK goes through.
    h.choose("cboParity", QStringLiteral("None"));
    h.click("cmdOK");
    QCOMPARE(h.boxes.shown.size(), 1);
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(h.stored("CommPort"), QStringLiteral("2"));
}

void TestFrmProperties::okWithoutChanges_data()
{
    QTest::addColumn<bool>("open");
    QTest::newRow("port closed") << false;
    QTest::newRow("port open") << true;
}

void TestFrmProperties::okWithoutChanges()
{
    QFETCH(bool, open);
    Harness h;
    Pty pty;
    QVERIFY(!pty.slavePath.isEmpty());
    h.mapPort(1, pty.slavePath);
    if (open)
        h.comm.setPortOpen(true);
    h.shared.Echo = true;
    FrmProperties &dialog = h.openDialog();

    h.click("cmdOK");

    QVERIFY(h.boxes.shown.isEmpty());
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QVERIFY(!dialog.isVisible());
    QCOMPARE(h.comm.PortOpen(), open);
    QCOMPARE(h.stored("Settings"), QStringLiteral("9600,n,8,1"));
    QCOMPARE(h.stored("CommPort"), QStringLiteral("1"));
    QCOMPARE(h.stored("Handshaking"), QStringLiteral("0"));
    QCOMPARE(h.stored("Echo"), QStringLiteral("True"));
    QVERIFY(h.uploadSpy->isEmpty());
    QVERIFY(h.portStateSpy->isEmpty());
    QCOMPARE(h.settingsSpy->count(), 1);
    QCOMPARE(h.settingsSpy->first().first().toString(), QStringLiteral("9600,n,8,1"));
}

void TestFrmProperties::appliesAndStoresTheChoices_data()
{
    QTest::addColumn<QStringList>("choices"); // port, speed, data bits, parity, stop bits
    QTest::addColumn<QString>("flowOption");
    QTest::addColumn<QString>("echoOption");
    QTest::addColumn<QStringList>("stored"); // Settings, CommPort, Handshaking, Echo

    QTest::newRow("1.5 stop bits") << QStringList{"Com1", "19200", "7", "Even", "1.5"} << "optFlow0"
                                   << "optEcho0" << QStringList{"19200,e,7,1.5", "1", "0", "False"};
    QTest::newRow("256000, none, 8, 2") << QStringList{"Com1", "256000", "8", "None", "2"} << "optFlow2"
                                        << "optEcho1" << QStringList{"256000,n,8,2", "1", "2", "True"};
    QTest::newRow("Com16, mark, both flow controls")
        << QStringList{"Com16", "110", "5", "Mark", "1"} << "optFlow3" << "optEcho0"
        << QStringList{"110,m,5,1", "16", "3", "False"};
    QTest::newRow("space, Xon/Xoff") << QStringList{"Com4", "57600", "6", "Space", "2"} << "optFlow1"
                                     << "optEcho1" << QStringList{"57600,s,6,2", "4", "1", "True"};
}

void TestFrmProperties::appliesAndStoresTheChoices()
{
    QFETCH(QStringList, choices);
    QFETCH(QString, flowOption);
    QFETCH(QString, echoOption);
    QFETCH(QStringList, stored);

    Harness h;
    FrmProperties &dialog = h.openDialog();
    h.choose("cboPort", choices[0]);
    h.choose("cboSpeed", choices[1]);
    h.choose("cboDataBits", choices[2]);
    h.choose("cboParity", choices[3]);
    h.choose("cboStopBits", choices[4]);
    h.clickOption(flowOption);
    h.clickOption(echoOption);

    h.click("cmdOK");

    QVERIFY(h.boxes.shown.isEmpty());
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(h.comm.Settings(), stored[0]);
    QCOMPARE(QString::number(h.comm.CommPort()), stored[1]);
    QCOMPARE(QString::number(h.comm.Handshaking()), stored[2]);
    const QStringList actual{h.stored("Settings"), h.stored("CommPort"), h.stored("Handshaking"), h.stored("Echo")};
    QCOMPARE(actual, stored);
    QCOMPARE(h.settingsSpy->count(), 1);
    QCOMPARE(h.settingsSpy->first().first().toString(), stored[0]);
}

void TestFrmProperties::portSwitchWhileOpen()
{
    Harness h;
    Pty first;
    Pty second;
    h.mapPort(1, first.slavePath);
    h.mapPort(2, second.slavePath);
    h.comm.setPortOpen(true);
    FrmProperties &dialog = h.openDialog();
    h.choose("cboPort", QStringLiteral("Com2"));

    h.click("cmdOK");

    QVERIFY(h.boxes.shown.isEmpty());
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QVERIFY(h.comm.PortOpen());
    QCOMPARE(h.comm.CommPort(), 2);
    // The upload command follows the reopened port, file chosen or not.
    QCOMPARE(h.uploadSpy->count(), 1);
    QCOMPARE(h.uploadSpy->first().first().toBool(), true);
    QCOMPARE(h.portStateSpy->count(), 1);
    QCOMPARE(h.stored("CommPort"), QStringLiteral("2"));
    // It is really the second device that is open now.
    h.comm.Output(QStringLiteral("Z"));
    QCOMPARE(second.readMaster(), QByteArray("Z"));
}

void TestFrmProperties::failedPortSwitchWhileOpen_data()
{
    QTest::addColumn<QString>("mappedPath"); // for Com2; empty: not mapped, no device listed
    QTest::addColumn<bool>("heldElsewhere");
    QTest::addColumn<QString>("description");

    QTest::newRow("no device for the port") << QString() << false << "Invalid Port Number";
    QTest::newRow("mapped device missing") << "/nonexistent/ttyKORVEX" << false << "Invalid Port Number";
    QTest::newRow("port held by another program") << "<pty>" << true << "Port already open";
}

void TestFrmProperties::failedPortSwitchWhileOpen()
{
    QFETCH(QString, mappedPath);
    QFETCH(bool, heldElsewhere);
    QFETCH(QString, description);

    Harness h;
    Pty first;
    Pty second;
    h.mapPort(1, first.slavePath);
    if (mappedPath == QLatin1String("<pty>"))
        mappedPath = second.slavePath;
    if (!mappedPath.isEmpty())
        h.mapPort(2, mappedPath);
    // Another program has the device open (its own lock file).
    MSComm other(PortResolver(&h.store, [] { return QList<SerialDevice>{}; }, [] { return QStringList{}; }));
    if (heldElsewhere) {
        other.setCommPort(2);
        other.setPortOpen(true);
    }
    h.comm.setPortOpen(true);
    FrmProperties &dialog = h.openDialog();
    h.choose("cboPort", QStringLiteral("Com2"));
    h.clickOption(QStringLiteral("optEcho1"));

    h.click("cmdOK");

    QCOMPARE(h.boxes.shown.size(), 1);
    const MessageRequest box = h.boxes.shown.first();
    QCOMPARE(box.icon, MessageRequest::Icon::Exclamation);
    QCOMPARE(box.buttons, MessageRequest::Buttons::Ok);
    QCOMPARE(box.title, QStringLiteral("KORVEX Terminal"));
    QCOMPARE(box.text, description);
    // The system's reason, where there is one, goes below the description.
    QCOMPARE(box.informativeText.isEmpty(), mappedPath.isEmpty());
    QVERIFY(dialog.isVisible());
    QCOMPARE(h.comm.CommPort(), 1);
    QVERIFY(!h.comm.PortOpen());
    QCOMPARE(h.uploadSpy->count(), 1);
    QCOMPARE(h.uploadSpy->first().first().toBool(), false);
    // The window learns that the port is now closed.
    QCOMPARE(h.portStateSpy->count(), 1);
    QVERIFY(h.settingsSpy->isEmpty());
    QVERIFY(h.nothingStored());

    // Cancelling now keeps the echo choice that OK had already applied.
    h.click("cmdCancel");
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
    QVERIFY(h.shared.Echo);
    QVERIFY(h.nothingStored());
}

void TestFrmProperties::portSwitchWhileClosed()
{
    Harness h;
    FrmProperties &dialog = h.openDialog();
    h.choose("cboPort", QStringLiteral("Com3"));

    h.click("cmdOK");

    QVERIFY(h.boxes.shown.isEmpty());
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(h.comm.CommPort(), 3);
    QVERIFY(!h.comm.PortOpen());
    QVERIFY(h.uploadSpy->isEmpty());
    QCOMPARE(h.portStateSpy->count(), 1);
    QCOMPARE(h.stored("CommPort"), QStringLiteral("3"));
}

// A port above Com16 (only an edited store gives one) has no entry: OK keeps
// it open rather than closing it for a port number nobody chose.
void TestFrmProperties::unlistedPortIsKept()
{
    Harness h;
    Pty pty;
    h.mapPort(17, pty.slavePath);
    h.comm.setCommPort(17);
    h.comm.setPortOpen(true);
    FrmProperties &dialog = h.openDialog();
    QCOMPARE(h.list("cboPort")->currentIndex(), -1);
    QCOMPARE(dialog.findChild<QLabel *>(QStringLiteral("lblDevice"))->text(), pty.slavePath);

    h.click("cmdOK");

    QVERIFY(h.boxes.shown.isEmpty());
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QVERIFY(h.comm.PortOpen());
    QCOMPARE(h.comm.CommPort(), 17);
    QVERIFY(h.portStateSpy->isEmpty());
    QCOMPARE(h.stored("CommPort"), QStringLiteral("17"));
}

void TestFrmProperties::cancelChangesNothing()
{
    for (const bool byCloseBox : {false, true}) {
        Harness h;
        h.shared.Echo = false;
        FrmProperties &dialog = h.openDialog();
        h.choose("cboPort", QStringLiteral("Com5"));
        h.choose("cboSpeed", QStringLiteral("4800"));
        h.choose("cboParity", QStringLiteral("Odd"));
        h.clickOption(QStringLiteral("optFlow2"));
        h.clickOption(QStringLiteral("optEcho1"));

        if (byCloseBox)
            dialog.close();
        else
            h.click("cmdCancel");

        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QCOMPARE(h.comm.CommPort(), 1);
        QCOMPARE(h.comm.Settings(), QStringLiteral("9600,n,8,1"));
        QCOMPARE(h.comm.Handshaking(), 0);
        QVERIFY(!h.shared.Echo);
        QVERIFY(h.nothingStored());
        QVERIFY(h.boxes.shown.isEmpty());
        QVERIFY(h.uploadSpy->isEmpty() && h.portStateSpy->isEmpty() && h.settingsSpy->isEmpty());
    }
}

void TestFrmProperties::showsTheDevice_data()
{
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QString>("shown"); // "<pty>" stands for the mapped pseudo-terminal

    QTest::newRow("adapter with a description") << "Com1" << "/dev/ttyUSB0 — FT232R USB UART";
    QTest::newRow("device without a description") << "Com2" << "/dev/ttyACM0";
    QTest::newRow("mapped pseudo-terminal") << "Com3" << "<pty>";
    QTest::newRow("mapped path missing") << "Com4" << "/nonexistent/ttyKORVEX — absent";
    QTest::newRow("no device") << "Com5" << "absent";
}

void TestFrmProperties::showsTheDevice()
{
    QFETCH(QString, entry);
    QFETCH(QString, shown);

    Harness h;
    Pty pty;
    h.mapPort(3, pty.slavePath);
    h.mapPort(4, QStringLiteral("/nonexistent/ttyKORVEX"));
    // Unmapped ports count the listed devices, USB adapters first.
    h.devices = {{QStringLiteral("ttyACM0"), QStringLiteral("/dev/ttyACM0"), QString()},
                 {QStringLiteral("ttyUSB0"), QStringLiteral("/dev/ttyUSB0"), QStringLiteral("FT232R USB UART")}};
    h.comm.setCommPort(16);
    h.openDialog();
    h.choose("cboPort", entry);

    if (shown == QLatin1String("<pty>"))
        shown = pty.slavePath;
    QCOMPARE(h.dialog->findChild<QLabel *>(QStringLiteral("lblDevice"))->text(), shown);
}

QTEST_MAIN(TestFrmProperties)
#include "tst_frmproperties.moc"
