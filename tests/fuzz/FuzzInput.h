#pragma once
// The harness of every fuzz target: the input as UTF-16, each pair of bytes
// one code unit, little-endian, so the corpus files are UTF-16LE text and
// every code unit can occur. A target defines FuzzText over that text.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

void FuzzText(const std::wstring& input);

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::wstring input(size / 2, L'\0');
    for (std::size_t i = 0; i < input.size(); ++i) {
        input[i] = static_cast<wchar_t>(data[2 * i] | (data[2 * i + 1] << 8));
    }
    FuzzText(input);
    return 0;
}

// Stops the fuzzer with the broken property in its report.
#define FUZZ_CHECK(condition)                                                                      \
    ((condition) ? void()                                                                          \
                 : (std::fprintf(stderr, "%s:%d: broken: %s\n", __FILE__, __LINE__, #condition),   \
                    std::abort()))
