// SPDX-License-Identifier: GPL-3.0-or-later
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

// Text quoted for the report, with control and non-ASCII characters escaped.
inline QString quoted(const QString &text)
{
    return u'"' + QString::fromLatin1(text.toUtf8().toPercentEncoding(" !#$&'()*+,/:;=?@[]{}<>|\\^`~")) + u'"';
}
