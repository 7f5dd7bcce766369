// Stands in for the error-report program: writes its arguments, one a line,
// to "reporter-arguments.txt" in TMPDIR, and the signals it started with
// blocked ("SigBlk" of /proc/self/status) to "reporter-blocked.txt".

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

std::string blockedSignals()
{
    std::FILE *status = std::fopen("/proc/self/status", "r");
    if (!status)
        return "unknown\n";
    char line[256];
    std::string blocked = "unknown\n";
    while (std::fgets(line, sizeof line, status)) {
        if (std::strncmp(line, "SigBlk:", 7) == 0) {
            const char *value = line + 7;
            while (*value == '\t' || *value == ' ')
                ++value;
            blocked = value;
        }
    }
    std::fclose(status);
    return blocked;
}

bool writeFile(const std::string &path, const std::string &text)
{
    std::FILE *file = std::fopen(path.c_str(), "w");
    if (!file)
        return false;
    std::fputs(text.c_str(), file);
    std::fclose(file);
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    const char *folder = std::getenv("TMPDIR");
    if (!folder)
        return 1;
    std::string arguments;
    for (int i = 1; i < argc; ++i)
        arguments += std::string(argv[i]) + "\n";
    // The arguments last: the test waits for them.
    if (!writeFile(std::string(folder) + "/reporter-blocked.txt", blockedSignals())
        || !writeFile(std::string(folder) + "/reporter-arguments.txt", arguments))
        return 1;
    return 0;
}
