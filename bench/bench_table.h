// What the benchmark programs share for their markdown table: a reporter that
// keeps each benchmark's median CPU time beside the console report, the
// --table FILE option, and the writing of the table into that file.
#pragma once

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

// One benchmark's median CPU time in microseconds; below 0 when it did not
// run, for the reason in why.
struct Median {
    std::string name;
    double us;
    std::string why;
};

// The console report, plus the medians: of the repetitions, or the time of a
// run without repetitions; a benchmark that fails is listed once, without time.
class TableReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override;
    std::vector<Median> medians;
};

// The table's head, its columns those of every row the programs write.
extern const char kTableHead[];

// Takes --table FILE out of argv (argc counts what is left); the file, or ""
// when the option is not there.
std::string take_table_option(int* argc, char** argv);

// Writes head and rows into file, or with append adds the rows to it (the
// head first where the file is new or empty); false, said on stderr, when the
// file cannot be written.
bool write_table(const std::string& file, const std::string& rows, bool append);
