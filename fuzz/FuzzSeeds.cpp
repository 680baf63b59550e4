// Writes the seed corpus of the fuzz targets from the fixture generator, so that fuzzing
// starts from valid files. Usage: fuzz_seeds FOLDER
#include "engine/foundation/FFmpegLoader.h"
#include "fixtures/FuzzInputs.h"

#include <cstdio>
#include <filesystem>
#include <string>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    const std::string dir = argv[1];
    std::filesystem::create_directories(dir);
    if (!orvel::FFLoader().Load(orvel::kConverterLibraries)) {
        std::fprintf(stderr, "%s\n", orvel::FFLoader().LastError().c_str());
        return 1;
    }
    int failed = 0;
    for (const auto& [name, recipe] : orvel::fixtures::FuzzSeedRecipes()) {
        std::string error;
        if (!orvel::fixtures::WriteClip(recipe, dir + "/" + name, &error)) {
            std::fprintf(stderr, "%s: %s\n", name.c_str(), error.c_str());
            ++failed;
        }
    }
    return failed == 0 ? 0 : 1;
}
