#pragma once
// Running other programs from a benchmark: the reference tools and vellumark-cli.

#include <string>
#include <vector>

struct TProcessRun {
    double Seconds = 0;
    long PeakKilobytes = 0;
};

// Runs the program with its output discarded and returns its wall time and peak memory; a
// program that fails ends the benchmark, since its figures would mean nothing.
TProcessRun RunQuietly(const std::vector<std::string>& arguments);
