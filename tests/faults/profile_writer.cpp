// Rewrites URL.ini through the real profile writer, the new list and the old
// one in turn, until it is killed. "ready" on stdout before the first.
//   profile_writer path/to/URL.ini

#include "real_files.h"

#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    using namespace kurumin;
    using namespace kurumin::testing;
    const QString ini = QString::fromLocal8Bit(argv[1]);
    ProfileFile file;
    std::fputs("ready\n", stdout);
    std::fflush(stdout);
    for (bool next = true;; next = !next) {
        const KeepLists& l = next ? kNewList : kOldList;
        file.apply(ini, keepListEdits(l.names, l.urls, true));
    }
}
