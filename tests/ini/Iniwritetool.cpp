// ini_write_tool FILE SECTION KEY VALUE: writes one value into an INI file, so that tests can
// run a write as an unprivileged user. Exits 0 on success, 1 with the error on stderr.

#include <cstdio>
#include <exception>

#include "ini/Tmeminifile.h"

int main(int argc, char** argv)
{
    if (argc != 5) {
        std::fprintf(stderr, "usage: ini_write_tool FILE SECTION KEY VALUE\n");
        return 2;
    }
    try {
        TMemIniFile document(argv[1]);
        document.WriteString(argv[2], argv[3], argv[4]);
        document.UpdateFile();
        return 0;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
}
