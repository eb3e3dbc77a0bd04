// Times ResolveRelativePath on very long relative paths ('./' and '../' 300,000 times each),
// whose time must grow with the length alone.
//   build/bench_resolve [REPEATS]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "lib/VornFilePath.h"

int main(int argc, char** argv) {
    using VornFilePath::ResolveRelativePath;
    const int repeats = argc > 1 ? std::atoi(argv[1]) : 5;
    for (const int pieces : {30000, 300000}) {
        std::u16string here, up;
        for (int i = 0; i < pieces; ++i) {
            here += u"./";
            up += u"../";
        }
        here += u"x.htm";
        double best = 1e9;
        for (int r = 0; r < repeats; ++r) {
            std::u16string out;
            const auto start = std::chrono::steady_clock::now();
            ResolveRelativePath(u"C:", {u"", u"d", u""}, here, u"", out);
            ResolveRelativePath(u"C:", {u"", u"d", u""}, up, u"", out);
            const double s =
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            if (s < best) best = s;
        }
        std::printf("%7d pieces: best %.4f s\n", pieces, best);
    }
    return 0;
}
