// A field of a table as the engine sees it: name, dBASE type letter, width, decimals and the byte
// offset of its text inside a record image. A record image starts with the deletion byte
// (' ' live, '*' deleted), so the first field has offset 1.
#pragma once

#include <cstdint>
#include <string>

namespace xb {

struct FieldDesc {
    std::string name;  // upper case as stored, at most 10 characters
    char type = 'C';   // 'C', 'N', 'D', 'L'; other letters are carried as raw text
    uint16_t length = 0;
    uint8_t decimals = 0;
    uint32_t offset = 0;
};

}  // namespace xb
