// The corpus through our profile functions:
//   ini-compat-ours run CORPUS FOLDER > transcript
//   ini-compat-ours compare CORPUS OURS THEIRS [-v]
#include "platform/profile.h"
#include "scripts/ini_compat/ini_cases.h"

#include <cstring>

namespace {

class OurProfile : public ini_compat::ProfileFunctions {
public:
    std::string read(const std::string& section, const std::string& key,
                     const std::string& fallback, unsigned limit,
                     const std::string& path) override {
        return platform::getProfileString(section, key, fallback, limit, path);
    }
    int readInt(const std::string& section, const std::string& key, int fallback,
                const std::string& path) override {
        return platform::getProfileInt(section, key, fallback, path);
    }
    bool write(const std::string& section, const std::string& key, const std::string& value,
               const std::string& path) override {
        return platform::writeProfileString(section, key, value, path);
    }
};

} // namespace

int main(int argc, char** argv) {
    if (argc >= 4 && std::strcmp(argv[1], "run") == 0) {
        const auto cases = ini_compat::loadCorpus(argv[2]);
        if (cases.empty())
            return 2;
        OurProfile profile;
        ini_compat::runCorpus(cases, std::string(argv[3]) + "/", profile, stdout);
        return 0;
    }
    if (argc >= 5 && std::strcmp(argv[1], "compare") == 0) {
        const auto cases = ini_compat::loadCorpus(argv[2]);
        if (cases.empty())
            return 2;
        const bool verbose = argc >= 6 && std::strcmp(argv[5], "-v") == 0;
        return ini_compat::compare(cases, argv[3], argv[4], "wine", verbose);
    }
    std::fprintf(stderr, "usage: %s run CORPUS FOLDER | compare CORPUS OURS THEIRS [-v]\n",
                 argv[0]);
    return 2;
}
