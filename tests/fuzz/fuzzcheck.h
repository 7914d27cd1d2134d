#pragma once

#include <QByteArray>
#include <QString>

#include <cstdio>
#include <cstdlib>

// A broken invariant stops the run like a crash, so libFuzzer keeps the input.
#define FUZZ_CHECK(condition, detail)                                                                                  \
    do {                                                                                                               \
        if (!(condition)) {                                                                                            \
            std::fprintf(stderr, "invariant broken: %s\n  %s\n  at %s:%d\n", #condition,                               \
                         QString(detail).toLocal8Bit().constData(), __FILE__, __LINE__);                               \
            std::abort();                                                                                              \
        }                                                                                                              \
    } while (false)

// Text quoted for the report, with control characters escaped.
inline QString quoted(const QString &text)
{
    QString out = QStringLiteral("\"");
    for (const QChar c : text) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F || c.unicode() > 0x7E)
            out += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
        else
            out += c;
    }
    return out + QLatin1Char('"');
}
