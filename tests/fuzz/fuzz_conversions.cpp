// The text conversions: only Failure 13 or 6 is thrown; a number converts to
// the C library's reading of it, rounded half to even, or fails with 6.

#include "fuzzcheck.h"

#include "shared/conversions.h"
#include "shared/failure.h"

#include <cfenv>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    std::optional<qint32> number; // none: out of range
    try {
        number = conversions::toInt32(text);
    } catch (const Failure &failure) {
        FUZZ_CHECK(failure.number() == conversions::TypeMismatch || failure.number() == conversions::Overflow,
                   quoted(text));
        if (failure.number() == conversions::TypeMismatch)
            return 0;
    }
    // Taken as a number: the C library reads the whole text.
    const QByteArray ascii = text.trimmed().toLatin1();
    char *end = nullptr;
    const double value = std::strtod(ascii.constData(), &end);
    FUZZ_CHECK(!ascii.isEmpty() && end == ascii.constData() + ascii.size(), quoted(text));
    std::fesetround(FE_TONEAREST);
    const double rounded = std::nearbyint(value);
    const bool fits = std::isfinite(rounded) && rounded >= -2147483648.0 && rounded <= 2147483647.0;
    FUZZ_CHECK(fits ? number && double(*number) == rounded : !number, quoted(text));
    return 0;
}
