// The display edit rules over several chunks: the text stays bounded, every
// line break comes from a carriage return, the caret ends at the end, and a
// batch of chunks gives what the chunks give one by one.

#include "fuzzcheck.h"

#include "serial/displayrules.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>

namespace {

// The chunk as shown when it holds no backspace.
QString shown(const QString &chunk)
{
    QString text = chunk;
    text.remove(DisplayRules::LineFeed);
    text.replace(DisplayRules::CarriageReturn, DisplayRules::LineBreak);
    return text;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    FuzzedDataProvider input(data, size);

    // A terminal that may already be near or past the limit, one line break
    // every 80 characters, so that trimming is reached from short inputs.
    TerminalText terminal;
    const int initialLength = input.ConsumeIntegralInRange(0, 3 * int(DisplayRules::TerminalLimit));
    terminal.text.reserve(initialLength);
    for (int i = 0; i < initialLength; ++i)
        terminal.text.append(i % 80 == 79 ? DisplayRules::LineBreak : QChar(u'a' + i % 26));
    const TerminalText initial = terminal;
    DisplayBatch batch(initial.text.size());

    while (input.remaining_bytes() > 0) {
        // A chunk, repeated so that a short input can still carry a burst.
        const int repeat = input.ConsumeIntegralInRange(1, 64);
        const std::string bytes = input.ConsumeRandomLengthString(512);
        const QString chunk = QString::fromLatin1(bytes.data(), qsizetype(bytes.size())).repeated(repeat);

        const QString before = terminal.text;
        terminal.selectionStart = input.ConsumeIntegralInRange<qsizetype>(0, before.size());
        terminal.selectionLength = input.ConsumeIntegralInRange<qsizetype>(0, before.size() - terminal.selectionStart);
        applyDisplayRules(terminal, chunk);
        batch.add(chunk);
        const QString &after = terminal.text;
        const QString where =
            QStringLiteral("before %1 chars, chunk %2").arg(before.size()).arg(quoted(chunk.left(200)));

        FUZZ_CHECK(after.size() <= DisplayRules::TerminalLimit + chunk.size(), where);
        FUZZ_CHECK(after.count(DisplayRules::LineBreak)
                       <= before.count(DisplayRules::LineBreak) + chunk.count(DisplayRules::CarriageReturn),
                   where);
        FUZZ_CHECK(!after.contains(DisplayRules::CarriageReturn), where);
        FUZZ_CHECK(terminal.selectionStart == after.size() && terminal.selectionLength == 0, where);

        // Without backspaces the chunk is appended as shown, after the end of
        // what was there (trimming only takes from the start).
        if (!chunk.contains(DisplayRules::Backspace)) {
            const QString added = shown(chunk);
            FUZZ_CHECK(after.endsWith(added), where);
            FUZZ_CHECK(before.endsWith(after.left(after.size() - added.size())), where);
        }

        FUZZ_CHECK(batch.resultLength() == after.size(), where);
        FUZZ_CHECK(batch.edit().append.size() <= DisplayRules::TerminalLimit + chunk.size(), where);
    }

    // The whole batch, applied to the initial text at once, gives the same text.
    TerminalText batched = initial;
    applyDisplayEdit(batched, batch.edit());
    FUZZ_CHECK(batched.text == terminal.text, QStringLiteral("batch of %1 chars").arg(terminal.text.size()));
    return 0;
}
