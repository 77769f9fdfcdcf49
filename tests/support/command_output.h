// Runs a shell command and returns what it wrote to standard output: tests and benchmarks read
// their PDF printouts back with poppler's tools this way.
#pragma once

#include <cstdio>
#include <string>

namespace testing_support {

// status, when given, receives pclose's answer (-1 when the command could not be started).
inline std::string commandOutput(const std::string& command, int* status = nullptr) {
    std::string out;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) {
        if (status) *status = -1;
        return out;
    }
    char buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        out.append(buffer, n);
    const int result = ::pclose(pipe);
    if (status) *status = result;
    return out;
}

} // namespace testing_support
