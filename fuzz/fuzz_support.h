#pragma once
// What every fuzzer here shares: a broken property aborts, so that libFuzzer
// keeps the input, and fuzzed bytes become text as the program would take it.

#include <QString>

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdio>
#include <cstdlib>
#include <string>

inline void check(bool ok, const char* what) {
    if (ok) return;
    std::fprintf(stderr, "broken: %s\n", what);
    std::abort();
}

inline QString textFrom(FuzzedDataProvider& in, size_t most) {
    const std::string raw = in.ConsumeRandomLengthString(most);
    return QString::fromUtf8(raw.data(), qsizetype(raw.size()));
}
