// Little helpers for building binary files in memory: little- and big-endian
// integers appended to a byte string, and writing a whole string to a file.
// No globals. Needs only the standard library.
#pragma once

#include <cstdint>
#include <string>

// appends v as 2 bytes, low byte first
void put_u16(std::string& out, std::uint32_t v);
// appends v as 4 bytes, low byte first
void put_u32(std::string& out, std::uint32_t v);
// appends v as 2 bytes, high byte first
void put_be16(std::string& out, std::uint32_t v);
// appends v as 4 bytes, high byte first
void put_be32(std::string& out, std::uint32_t v);
// writes bytes to path, replacing it; 1, or 0 when the file cannot be written
int write_whole_file(const char* path, const std::string& bytes);
