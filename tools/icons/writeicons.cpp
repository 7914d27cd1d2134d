// SPDX-License-Identifier: GPL-3.0-or-later
// Writes the window icon into an icon theme folder:
// <folder>/scalable/apps/<name>.svg and <folder>/<N>x<N>/apps/<name>.png.
#include "terminal/icons.h"

#include <QDir>
#include <QFile>

#include <cstdio>

namespace {

bool writeSvg(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    return file.write(icons::windowIconSvg().toUtf8()) >= 0;
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s <icon theme folder> <icon name>\n", argv[0]);
        return 2;
    }
    const QDir theme(QString::fromLocal8Bit(argv[1]));
    const QString name = QString::fromLocal8Bit(argv[2]);
    bool ok = theme.mkpath(QStringLiteral("scalable/apps"))
              && writeSvg(theme.filePath(QStringLiteral("scalable/apps/%1.svg").arg(name)));
    for (int size : icons::windowIconSizes()) {
        const QString folder = QStringLiteral("%1x%1/apps").arg(size);
        ok = ok && theme.mkpath(folder)
             && icons::windowIconImage(size).save(theme.filePath(folder + QLatin1Char('/') + name + ".png"), "PNG");
    }
    if (!ok)
        std::fprintf(stderr, "%s: could not write the icons into %s\n", argv[0], argv[1]);
    return ok ? 0 : 1;
}
