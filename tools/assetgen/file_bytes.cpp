// Byte-order helpers and whole-file writing for the asset writers.
// No globals. Needs only the standard library.
#include "file_bytes.h"

#include <cstdio>

void put_u16(std::string& out, std::uint32_t v) {
    out += static_cast<char>(v & 0xFF);
    out += static_cast<char>((v >> 8) & 0xFF);
}

void put_u32(std::string& out, std::uint32_t v) {
    put_u16(out, v & 0xFFFF);
    put_u16(out, v >> 16);
}

void put_be16(std::string& out, std::uint32_t v) {
    out += static_cast<char>((v >> 8) & 0xFF);
    out += static_cast<char>(v & 0xFF);
}

void put_be32(std::string& out, std::uint32_t v) {
    put_be16(out, v >> 16);
    put_be16(out, v & 0xFFFF);
}

int write_whole_file(const char* path, const std::string& bytes) {
    std::FILE* f = std::fopen(path, "wb");
    if (!f) return 0;
    std::size_t n = std::fwrite(bytes.data(), 1, bytes.size(), f);
    int closed = std::fclose(f);
    return n == bytes.size() && closed == 0 ? 1 : 0;
}
