// The text conversions: only Failure 13 or 6 is thrown, and the results agree
// with the text's decimal value and with each other.

#include "fuzzcheck.h"

#include "shared/conversions.h"
#include "shared/failure.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <optional>

namespace {

// A result or the failure's number.
template <typename T>
struct Outcome
{
    std::optional<T> value;
    int failure = 0;
};

template <typename T, typename F>
Outcome<T> attempt(F convert, const QString &text)
{
    Outcome<T> outcome;
    try {
        outcome.value = convert(text);
    } catch (const Failure &failure) {
        outcome.failure = failure.number();
        FUZZ_CHECK(failure.number() == conversions::TypeMismatch || failure.number() == conversions::Overflow,
                   quoted(text) + QStringLiteral(" threw ") + QString::number(failure.number()));
    }
    return outcome;
}

// The text's value read by the C library; nothing when the C library would
// not take the whole (trimmed) text.
std::optional<double> referenceValue(const QString &text)
{
    const QByteArray ascii = text.trimmed().toLatin1();
    if (ascii.isEmpty() || text.trimmed() != QString::fromLatin1(ascii))
        return std::nullopt;
    char *end = nullptr;
    const double value = std::strtod(ascii.constData(), &end);
    if (end != ascii.constData() + ascii.size())
        return std::nullopt;
    return value;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    const QString where = quoted(text);

    const auto int16 = attempt<qint16>(conversions::toInt16, text);
    const auto int32 = attempt<qint32>(conversions::toInt32, text);
    const auto truth = attempt<bool>(conversions::toBool, text);
    const QString trimmed = text.trimmed();
    const bool isTrueFalse = trimmed.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0
                             || trimmed.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0;

    // Text that is not a number is refused alike by all three.
    if (int32.failure == conversions::TypeMismatch) {
        FUZZ_CHECK(int16.failure == conversions::TypeMismatch, where);
        FUZZ_CHECK(isTrueFalse ? truth.value.has_value() : truth.failure == conversions::TypeMismatch, where);
        return 0;
    }
    FUZZ_CHECK(int16.failure != conversions::TypeMismatch && truth.failure != conversions::TypeMismatch, where);

    // Every text taken as a number is one the C library reads in full.
    const std::optional<double> reference = referenceValue(text);
    FUZZ_CHECK(reference.has_value(), where);
    const double value = *reference;

    if (int32.value) {
        // Rounded to the nearest, halves to even.
        const double distance = std::fabs(value - double(*int32.value));
        FUZZ_CHECK(distance < 0.5 || (distance == 0.5 && *int32.value % 2 == 0), where);
        const bool fits16 =
            *int32.value >= std::numeric_limits<qint16>::min() && *int32.value <= std::numeric_limits<qint16>::max();
        FUZZ_CHECK(fits16 ? int16.value == qint16(*int32.value) : int16.failure == conversions::Overflow, where);
    } else {
        FUZZ_CHECK(int32.failure == conversions::Overflow, where);
        FUZZ_CHECK(int16.failure == conversions::Overflow, where);
        const double rounded = std::nearbyint(value);
        FUZZ_CHECK(!std::isfinite(value) || rounded < double(std::numeric_limits<qint32>::min())
                       || rounded > double(std::numeric_limits<qint32>::max()),
                   where);
    }

    // A number is true unless it is zero.
    if (truth.value)
        FUZZ_CHECK(*truth.value == (value != 0.0), where);
    else
        FUZZ_CHECK(!std::isfinite(value), where);
    return 0;
}
