#include "data/RecordWriter.h"

#include <cstdio>
#include <fstream>

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
    Separate();
    out_ += FormatNumber(value);
    return *this;
}

RecordWriter& RecordWriter::Single(float value)
{
    Separate();
    out_ += FormatSingle(value);
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

void RecordWriter::EndRecord()
{
    out_ += "\r\n";
    fieldInRecord_ = false;
}

bool WriteFileAtomically(const std::string& path, const std::string& content)
{
    const std::string temp = path + ".tarvex-tmp";
    {
        std::ofstream file(temp, std::ios::binary | std::ios::trunc);
        if (!file) return false;
        file.write(content.data(), static_cast<std::streamsize>(content.size()));
        file.flush();
        if (!file) {
            file.close();
            std::remove(temp.c_str());
            return false;
        }
    }
    if (std::rename(temp.c_str(), path.c_str()) != 0) {
        std::remove(temp.c_str());
        return false;
    }
    return true;
}

std::string DateTimeText(std::time_t when)
{
    std::tm local{};
    localtime_r(&when, &local);
    char date[64] = {};
    char time[64] = {};
    std::strftime(date, sizeof date, "%x", &local);
    std::strftime(time, sizeof time, "%X", &local);
    std::string t = time;
    if (t.size() > 8) t = t.substr(t.size() - 8);
    return std::string(date) + " (" + t + ")";
}

}  // namespace tarvex
