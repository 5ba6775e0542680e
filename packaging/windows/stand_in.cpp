// The program the installer ships until the Windows wizard is built: it has
// the program's resources (icon, version) and answers --version as the
// wizard does, so the installer and its check work the same with either.
#include "platform/system/program.h"

#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("pelmora %s\n", plat::GetProductVersion().c_str());
        return 0;
    }
    std::fprintf(stderr, "pelmora: this build has no wizard yet; try --version\n");
    return 1;
}
