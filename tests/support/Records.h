#pragma once

// Splits a written file into records and fields with the program's own cell reader, so that
// quoting and empty fields are checked the way a later import would see them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "data/TableReader.h"

namespace tarvex::testing {

using Records = std::vector<std::vector<std::string>>;

inline Records ReadRecords(const std::string& text)
{
    Records records;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find("\r\n", start);
        EXPECT_NE(end, std::string::npos) << "every record ends with CR LF";
        if (end == std::string::npos) break;
        const std::string line = text.substr(start, end - start);
        std::vector<std::string> fields;
        CellReader reader(line);
        std::string cell;
        while (reader.ReadCell(cell)) fields.push_back(cell);
        if (!line.empty() && line.back() == ',') fields.push_back("");
        records.push_back(fields);
        start = end + 2;
    }
    return records;
}

}  // namespace tarvex::testing
