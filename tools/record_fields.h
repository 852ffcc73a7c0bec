// The settings records' fields by name, for setting them from the command line.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

enum class RecordKind { Device, Halftone, Watermark };

struct RecordField {
    const char* name;
    RecordKind record;
    std::size_t offset;
    bool isText;  // the watermark path; every other field is a 32-bit integer
};

const RecordField* FindRecordField(const std::string& name);
const std::vector<RecordField>& RecordFields();

// Sets one field in a record's bytes (at least the record's size). Integers accept decimal
// or 0x-prefixed hexadecimal within the 32-bit signed range. False with a reason otherwise.
bool SetRecordField(const RecordField& field, const std::string& value,
                    std::vector<unsigned char>& record, std::string& error);
