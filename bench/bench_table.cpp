#include "bench_table.h"

#include <cstdio>

void TableReporter::ReportRuns(const std::vector<Run>& runs) {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& r : runs) {
        const std::string name = r.run_name.function_name;
        if (r.error_occurred) {
            bool listed = false;
            for (const Median& m : medians) listed |= m.name == name;
            if (!listed) medians.push_back({name, -1.0, r.error_message});
            continue;
        }
        bool median =
            r.run_type == Run::RT_Aggregate ? r.aggregate_name == "median" : r.repetitions <= 1;
        if (!median) continue;
        double us = r.GetAdjustedCPUTime();
        if (r.time_unit == benchmark::kMillisecond) us *= 1000.0;
        if (r.time_unit == benchmark::kNanosecond) us /= 1000.0;
        if (r.time_unit == benchmark::kSecond) us *= 1e6;
        medians.push_back({name, us, ""});
    }
}

const char kTableHead[] =
    "| operation | variant | median CPU (us) | / fastest peer | / floor |\n"
    "|---|---|---:|---:|---:|\n";

std::string take_table_option(int* argc, char** argv) {
    std::string file;
    int kept = 0;
    for (int i = 0; i < *argc; ++i) {
        if (std::string(argv[i]) == "--table" && i + 1 < *argc)
            file = argv[++i];
        else
            argv[kept++] = argv[i];
    }
    *argc = kept;
    return file;
}

bool write_table(const std::string& file, const std::string& rows, bool append) {
    std::FILE* f = std::fopen(file.c_str(), append ? "a" : "w");
    if (!f) {
        std::fprintf(stderr, "cannot write the table into %s\n", file.c_str());
        return false;
    }
    std::fseek(f, 0, SEEK_END);
    if (std::ftell(f) == 0) std::fputs(kTableHead, f);
    std::fputs(rows.c_str(), f);
    return std::fclose(f) == 0;
}
