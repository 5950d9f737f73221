// Writes xscreensaver's settings page of the program (sylvadra.xml), made
// from the table of saver options, to the file named by its argument.
#include <cstdio>
#include <fstream>

#include "shell/options.h"

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUT.xml\n", argv[0]);
        return 2;
    }
    std::ofstream f(argv[1], std::ios::binary | std::ios::trunc);
    f << syl::xscreensaverSettingsPage();
    f.close();
    if (!f) {
        std::fprintf(stderr, "%s: cannot write %s\n", argv[0], argv[1]);
        return 1;
    }
    return 0;
}
