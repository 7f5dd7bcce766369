// Stands in for the error-report program: writes its arguments, one a line,
// to "reporter-arguments.txt" in TMPDIR.

#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char *argv[])
{
    const char *folder = std::getenv("TMPDIR");
    if (!folder)
        return 1;
    const std::string path = std::string(folder) + "/reporter-arguments.txt";
    std::FILE *file = std::fopen(path.c_str(), "w");
    if (!file)
        return 1;
    for (int i = 1; i < argc; ++i)
        std::fprintf(file, "%s\n", argv[i]);
    std::fclose(file);
    return 0;
}
