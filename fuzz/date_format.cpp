// Date formatting on any value and any format string: the first eight bytes are the date
// value (any double, NaN and infinities included), the rest is the format in UTF-8.

#include <cstring>

#include "fuzz/fuzz_support.h"
#include "model/date_time.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < sizeof(double)) {
        return 0;
    }
    double value;
    std::memcpy(&value, data, sizeof value);
    const QString format =
        QString::fromUtf8(reinterpret_cast<const char*>(data + 8), qsizetype(size - 8));

    const QString text = FormatDateTime(format, value);
    TDateTimeParts parts;
    if (!DecodeDateTime(value, parts)) {
        FuzzExpect(text.isEmpty(), "a value that is no date gave a text");
        FuzzExpect(!DateTimeToQDateTime(value).isValid(), "a value that is no date converted");
        return 0;
    }
    FuzzExpect(parts.Month >= 1 && parts.Month <= 12 && parts.Day >= 1 && parts.Day <= 31 &&
                   parts.Hour >= 0 && parts.Hour < 24 && parts.Minute >= 0 && parts.Minute < 60 &&
                   parts.Second >= 0 && parts.Second < 60 && parts.MilliSecond >= 0 &&
                   parts.MilliSecond < 1000 && parts.DayOfWeek >= 1 && parts.DayOfWeek <= 7,
               "a decoded date has a part out of range");
    return 0;
}
