#include "data/RecordWriter.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "data/NumberText.h"

namespace tarvex {

void RecordWriter::Separate()
{
    if (fieldInRecord_) out_ += ',';
    fieldInRecord_ = true;
}

RecordWriter& RecordWriter::Text(std::string_view text)
{
    Separate();
    out_ += '"';
    // A quote inside the field is doubled, the way the cell reader takes it back as one; a
    // label with a quote would otherwise end its field early and shift every field after it.
    for (const char c : text) {
        if (c == '"') out_ += '"';
        out_ += c;
    }
    out_ += '"';
    return *this;
}

RecordWriter& RecordWriter::Number(double value)
{
    if (!std::isfinite(value)) {
        Separate();
        allFinite_ = false;
        return *this;
    }
    // The separator and the number in one piece: files hold hundreds of thousands of them.
    char text[kNumberTextMax + 1];
    std::size_t length = 0;
    if (fieldInRecord_) text[length++] = ',';
    fieldInRecord_ = true;
    length += FormatNumberTo(value, text + length);
    out_.append(text, length);
    return *this;
}

RecordWriter& RecordWriter::Numbers(const double* values, int count)
{
    constexpr int kPiece = 64;
    char text[kPiece * (kNumberTextMax + 1)];
    for (int first = 0; first < count; first += kPiece) {
        const int last = std::min(count, first + kPiece);
        std::size_t length = 0;
        for (int i = first; i < last; ++i) {
            if (fieldInRecord_) text[length++] = ',';
            fieldInRecord_ = true;
            if (std::isfinite(values[i]))
                length += FormatNumberTo(values[i], text + length);
            else
                allFinite_ = false;
        }
        out_.append(text, length);
    }
    return *this;
}

RecordWriter& RecordWriter::Single(float value)
{
    Separate();
    if (std::isfinite(value))
        out_ += FormatSingle(value);
    else
        allFinite_ = false;
    return *this;
}

RecordWriter& RecordWriter::Integer(long value)
{
    Separate();
    out_ += std::to_string(value);
    return *this;
}

RecordWriter& RecordWriter::Empty()
{
    Separate();
    return *this;
}

RecordWriter& RecordWriter::Append(const RecordWriter& records)
{
    out_ += records.out_;
    allFinite_ = allFinite_ && records.allFinite_;
    return *this;
}

void RecordWriter::EndRecord()
{
    out_ += "\r\n";
    fieldInRecord_ = false;
}

namespace {

// The locale's short date, whole. A date too long for the buffer gets a bigger one rather
// than being cut, which could split a multi-byte character.
std::string ShortDateText(const std::tm& local)
{
    for (std::size_t size = 64; size <= 4096; size *= 4) {
        std::string date(size, '\0');
        const std::size_t length = std::strftime(date.data(), date.size(), "%x", &local);
        if (length > 0) {
            date.resize(length);
            return date;
        }
    }
    char iso[32];
    std::snprintf(iso, sizeof iso, "%04d-%02d-%02d", local.tm_year + 1900, local.tm_mon + 1,
                  local.tm_mday);
    return iso;
}

}  // namespace

std::string DateTimeText(const std::string& shortDate, const std::tm& local)
{
    // The time is the 24-hour clock whatever the locale: a locale's time text can end in
    // "AM"/"PM" or in multi-byte units, and the record has room for exactly HH:MM:SS.
    char time[16];
    std::snprintf(time, sizeof time, "%02d:%02d:%02d", local.tm_hour % 100, local.tm_min % 100,
                  local.tm_sec % 100);
    return shortDate + " (" + time + ")";
}

std::string DateTimeText(std::time_t when)
{
    std::tm local{};
    localtime_r(&when, &local);
    return DateTimeText(ShortDateText(local), local);
}

}  // namespace tarvex
