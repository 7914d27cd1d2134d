// SPDX-License-Identifier: GPL-3.0-or-later
#include "serial/opendiagnosis.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#ifdef Q_OS_UNIX
#include <algorithm>
#include <cerrno>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <vector>
#endif

namespace {

const QString Brltty = QStringLiteral("brltty");

QString brlttyFix()
{
    return QStringLiteral("Le service brltty (afficheurs braille) s'empare de certains adaptateurs USB-série dès "
                          "qu'ils sont branchés. Sans afficheur braille, supprimez-le (sudo apt remove brltty) ou "
                          "masquez-le (sudo systemctl mask brltty-udev.service brltty.service), puis débranchez et "
                          "rebranchez l'adaptateur.");
}

QString absentText(const OpenFacts &facts)
{
    if (facts.device.isEmpty())
        return QStringLiteral(
            "Aucun adaptateur série n'est présent pour ce port. Branchez l'adaptateur de la platine KORVEX, vérifiez "
            "que votre compte fait partie du groupe dialout (sudo adduser $USER dialout, puis rouvrez la session), "
            "puis choisissez le port dans Config > Config Port.");
    QString text = QStringLiteral("%1 est absent : l'adaptateur est débranché, ou branché sous un autre nom. "
                                  "Branchez l'adaptateur de la platine KORVEX, puis choisissez-le pour Com%2 dans "
                                  "Config > Config Port.")
                       .arg(facts.device)
                       .arg(facts.port);
    if (facts.brlttyRunning)
        text += QLatin1Char('\n') + brlttyFix();
    return text;
}

QString accessText(const OpenFacts &facts)
{
    const QString group = facts.group.isEmpty() ? QStringLiteral("dialout") : facts.group;
    if (facts.accountInGroup && !facts.sessionInGroup)
        return QStringLiteral("Votre compte fait partie du groupe %1, mais cette session a été ouverte avant que vous "
                              "y soyez ajouté : fermez la session et rouvrez-la pour pouvoir ouvrir %2.")
            .arg(group, facts.device);
    if (facts.accountInGroup)
        return QStringLiteral("Votre compte fait partie du groupe %1, mais l'accès à %2 est refusé : les droits du "
                              "périphérique viennent peut-être d'être posés, reconnectez-vous dans un instant.")
            .arg(group, facts.device);
    return QStringLiteral("Votre compte n'a pas le droit d'ouvrir %1 : il faut faire partie du groupe %2. Tapez dans "
                          "un terminal « sudo adduser $USER %2 », puis fermez la session et rouvrez-la.")
        .arg(facts.device, group);
}

} // namespace

QString openFailureText(const OpenFacts &facts)
{
    if (!facts.present)
        return absentText(facts);
    if (!facts.serialDevice)
        return QStringLiteral("%1 n'est pas un port série : corrigez la ligne Com%2 de la section [Ports] du fichier "
                              "de réglages, ou choisissez l'adaptateur dans Config > Config Port.")
            .arg(facts.device)
            .arg(facts.port);
    if (facts.holder == Brltty)
        return QStringLiteral("%1 est pris par brltty.\n").arg(facts.device) + brlttyFix();
    if (facts.accessDenied)
        return accessText(facts);
    if (!facts.holder.isEmpty())
        return QStringLiteral("%1 est déjà utilisé par un autre programme (%2) : fermez-le, puis reconnectez-vous.")
            .arg(facts.device, facts.holder);
    return QStringLiteral("%1 est déjà utilisé par un autre programme, ou l'adaptateur ne répond pas : fermez les "
                          "autres programmes de communication série, débranchez et rebranchez l'adaptateur, puis "
                          "reconnectez-vous.")
        .arg(facts.device);
}

#ifdef Q_OS_UNIX

namespace {

QString processName(qint64 pid)
{
    QFile comm(QStringLiteral("/proc/%1/comm").arg(pid));
    if (!comm.open(QIODevice::ReadOnly))
        return {};
    return QString::fromLocal8Bit(comm.readAll()).trimmed();
}

// The lock files that Qt, minicom and others leave (UUCP style: LCK..ttyUSB0,
// holding the owner's process number).
QString lockHolder(const QString &deviceName)
{
    static const QRegularExpression firstNumber(QStringLiteral("(\\d+)"));
    for (const char *folder : {"/var/lock", "/run/lock", "/var/lock/lockdev", "/tmp", "/var/tmp"}) {
        QFile lock(QLatin1String(folder) + QStringLiteral("/LCK..") + deviceName);
        if (!lock.open(QIODevice::ReadOnly))
            continue;
        const QRegularExpressionMatch match = firstNumber.match(QString::fromLatin1(lock.read(64)));
        const qint64 pid = match.hasMatch() ? match.captured(1).toLongLong() : 0;
        if (pid > 0 && pid != ::getpid() && QFileInfo::exists(QStringLiteral("/proc/%1").arg(pid)))
            return processName(pid);
    }
    return {};
}

// The processes /proc lists, this one left out.
QList<qint64> otherProcesses()
{
    QList<qint64> pids;
    const QDir proc(QStringLiteral("/proc"));
    for (const QString &entry : proc.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        bool isPid = false;
        const qint64 pid = entry.toLongLong(&isPid);
        if (isPid && pid != ::getpid())
            pids.append(pid);
    }
    return pids;
}

// A program that has the device open without a lock file; only the
// processes this account may look into are seen.
QString openedBy(const QString &realPath)
{
    for (const qint64 pid : otherProcesses()) {
        const QFileInfoList fds = QDir(QStringLiteral("/proc/%1/fd").arg(pid))
                                      .entryInfoList(QDir::Files | QDir::System | QDir::NoDotAndDotDot);
        if (std::any_of(fds.cbegin(), fds.cend(), [&](const QFileInfo &fd) { return fd.symLinkTarget() == realPath; }))
            return processName(pid);
    }
    return {};
}

bool processRunning(const QString &name)
{
    const QList<qint64> pids = otherProcesses();
    return std::any_of(pids.cbegin(), pids.cend(), [&](qint64 pid) { return processName(pid) == name; });
}

void readGroups(gid_t gid, OpenFacts &facts)
{
    if (const group *entry = ::getgrgid(gid)) {
        facts.group = QString::fromLocal8Bit(entry->gr_name);
        const passwd *account = ::getpwuid(::getuid());
        if (account) {
            facts.accountInGroup = account->pw_gid == gid;
            for (char **member = entry->gr_mem; *member && !facts.accountInGroup; ++member)
                facts.accountInGroup = qstrcmp(*member, account->pw_name) == 0;
        }
    }
    const int count = ::getgroups(0, nullptr);
    std::vector<gid_t> groups(size_t(count > 0 ? count : 0));
    if (count > 0 && ::getgroups(count, groups.data()) == count)
        facts.sessionInGroup = std::find(groups.begin(), groups.end(), gid) != groups.end();
    facts.sessionInGroup = facts.sessionInGroup || ::getegid() == gid;
}

} // namespace

OpenFacts gatherOpenFacts(int port, const QString &device)
{
    OpenFacts facts;
    facts.port = port;
    facts.device = device;
    facts.brlttyRunning = processRunning(Brltty);
    const QFileInfo info(device);
    facts.present = !device.isEmpty() && info.exists();
    if (!facts.present)
        return facts;
    const QString real = info.canonicalFilePath();
    struct stat status
    {};
    facts.serialDevice = ::stat(QFile::encodeName(real).constData(), &status) == 0 && S_ISCHR(status.st_mode);
    if (!facts.serialDevice)
        return facts;
    facts.accessDenied = ::access(QFile::encodeName(real).constData(), R_OK | W_OK) != 0 && errno == EACCES;
    readGroups(status.st_gid, facts);
    facts.holder = lockHolder(QFileInfo(real).fileName());
    if (facts.holder.isEmpty())
        facts.holder = openedBy(real);
    return facts;
}

#else

OpenFacts gatherOpenFacts(int port, const QString &device)
{
    OpenFacts facts;
    facts.port = port;
    facts.device = device;
    facts.present = !device.isEmpty();
    return facts;
}

#endif

QString describeOpenFailure(int port, const QString &device)
{
    return openFailureText(gatherOpenFacts(port, device));
}
