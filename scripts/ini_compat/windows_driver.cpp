// The corpus through the Windows profile functions (built with MinGW, run under Wine):
//   ini-compat-windows.exe CORPUS FOLDER > transcript      (Windows paths, e.g. Z:\tmp\x)
#include "ini_cases.h"

#include <windows.h>

#include <fcntl.h>
#include <io.h>

namespace {

class WindowsProfile : public ini_compat::ProfileFunctions {
public:
    std::string read(const std::string& section, const std::string& key,
                     const std::string& fallback, unsigned limit,
                     const std::string& path) override {
        std::vector<char> buffer(limit + 1, '\0');
        GetPrivateProfileStringA(section.c_str(), key.c_str(), fallback.c_str(), buffer.data(),
                                 limit + 1, path.c_str());
        // What a caller sees: the text up to the terminating NUL (a double-byte character that
        // did not fit leaves a NUL where it would have started, though the count includes it).
        return std::string(buffer.data());
    }
    int readInt(const std::string& section, const std::string& key, int fallback,
                const std::string& path) override {
        return static_cast<int>(
            GetPrivateProfileIntA(section.c_str(), key.c_str(), fallback, path.c_str()));
    }
    bool write(const std::string& section, const std::string& key, const std::string& value,
               const std::string& path) override {
        return WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(),
                                          path.c_str()) != 0;
    }
};

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s CORPUS FOLDER\n", argv[0]);
        return 2;
    }
    _setmode(_fileno(stdout), _O_BINARY); // the transcript's line endings as on the other side
    const auto cases = ini_compat::loadCorpus(argv[1]);
    if (cases.empty())
        return 2;
    WindowsProfile profile;
    ini_compat::runCorpus(cases, std::string(argv[2]) + "\\", profile, stdout);
    return 0;
}
