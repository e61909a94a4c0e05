#pragma once

#include <ctime>
#include <string>
#include <string_view>
#include <utility>

#include "data/AtomicFile.h"

namespace tarvex {

// Builds the program's comma-separated output: text fields in double quotes (a quote inside
// doubled, commas and line ends kept as they are), numbers bare, empty fields as nothing, each
// record ended by CR LF. The cell reader reads every field back as it was given.
class RecordWriter {
public:
    RecordWriter& Text(std::string_view text);
    // Up to 15 and up to 7 significant digits. A value that is not finite (nan, inf) is left
    // out, its field empty, and AllFinite() turns false: such a file is not to be written.
    RecordWriter& Number(double value);
    RecordWriter& Single(float value);
    // Number() for values[0 .. count-1], appended in larger pieces.
    RecordWriter& Numbers(const double* values, int count);
    RecordWriter& Integer(long value);
    RecordWriter& Empty();
    void EndRecord();
    // Room for a text of this many bytes in all, so a long file is not copied as it grows.
    void Reserve(std::size_t bytes) { out_.reserve(bytes); }

    const std::string& str() const { return out_; }
    // The text handed over without a copy (megabytes for a large table); the writer is left
    // empty.
    std::string Take() { return std::move(out_); }
    // Appends the whole records another writer holds, and its finding on the numbers.
    RecordWriter& Append(const RecordWriter& records);
    bool AllFinite() const { return allFinite_; }

private:
    void Separate();

    std::string out_;
    bool fieldInRecord_ = false;
    bool allFinite_ = true;
};

// The header's date-time text: the short date in the current locale's form, a space and the
// 24-hour time of day in parentheses, "(HH:MM:SS)".
std::string DateTimeText(std::time_t when);
// The same for a date already written out (kept whole) and the local time it belongs to.
std::string DateTimeText(const std::string& shortDate, const std::tm& local);

}  // namespace tarvex
