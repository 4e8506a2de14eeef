// bench_definitions: writes a benchmark database for the scripts and the tools' figures.
//   bench_definitions working N OUT.pbd    a working copy with N entries per list
//   bench_definitions plain N OUT.ini      the plain source of the same lists
//   bench_definitions web N OUT.pbd        a working copy with N web addresses only (HostLink)
#include "BenchDefinitions.h"

#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: bench_definitions working|plain|web N OUT\n");
        return 2;
    }
    const std::string kind = argv[1];
    const long count = std::atol(argv[2]);
    const bool ok = kind == "working" ? benchdefs::WriteWorkingCopy(argv[3], count)
                    : kind == "web"   ? benchdefs::WriteWebWorkingCopy(argv[3], count)
                                      : benchdefs::WritePlainSource(argv[3], count);
    if (!ok)
        std::fprintf(stderr, "bench_definitions: cannot write %s\n", argv[3]);
    return ok ? 0 : 1;
}
