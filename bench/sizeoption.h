#pragma once

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

// Takes a size option such as "--points=N" (at least `least`) out of the
// command line; the other arguments go on to Google Benchmark.
inline std::vector<char*> takeSizeOption(int argc, char** argv, const char* prefix, int& value,
                                         int least)
{
    const std::size_t length = std::strlen(prefix);
    std::vector<char*> rest;
    for (int i = 0; i < argc; ++i) {
        if (std::strncmp(argv[i], prefix, length) == 0)
            value = std::max(least, std::atoi(argv[i] + length));
        else
            rest.push_back(argv[i]);
    }
    return rest;
}
