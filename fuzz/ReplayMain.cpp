// A plain driver for a fuzz target when libFuzzer is not there (a gcc build): runs the target once
// on every file named on the command line and on every file in every folder named, in name order.
// A crash fails the process by itself; the sanitizers, when built in, report what they see.
// Arguments that start with '-' are libFuzzer options and are skipped, so both kinds of build
// take the same command line.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

namespace fs = std::filesystem;

bool runFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "cannot read %s\n", path.c_str());
        return false;
    }
    const std::vector<char> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (in.bad()) {
        std::fprintf(stderr, "cannot read %s\n", path.c_str());
        return false;
    }
    // A copy of exactly the input's size, so that a read past its end is seen by the address sanitizer.
    std::vector<std::uint8_t> input(bytes.begin(), bytes.end());
    LLVMFuzzerTestOneInput(input.empty() ? nullptr : input.data(), input.size());
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    std::vector<fs::path> files;
    for (int i = 1; i < argc; ++i) {
        if (argv[i][0] == '-')
            continue;
        const fs::path arg(argv[i]);
        std::error_code error;
        if (fs::is_directory(arg, error)) {
            std::vector<fs::path> inFolder;
            for (const fs::directory_entry& entry : fs::directory_iterator(arg, error))
                if (entry.is_regular_file())
                    inFolder.push_back(entry.path());
            if (error) {
                std::fprintf(stderr, "cannot list %s: %s\n", arg.c_str(), error.message().c_str());
                return 1;
            }
            std::sort(inFolder.begin(), inFolder.end());
            files.insert(files.end(), inFolder.begin(), inFolder.end());
        } else {
            files.push_back(arg);
        }
    }
    // A replay that ran nothing (a wrong path, an empty corpus) proves nothing and fails.
    if (files.empty()) {
        std::fprintf(stderr, "usage: %s FILE_OR_FOLDER...: no input given\n", argc > 0 ? argv[0] : "replay");
        return 1;
    }
    for (const fs::path& file : files) {
        std::printf("%s\n", file.c_str());
        std::fflush(stdout);
        if (!runFile(file))
            return 1;
    }
    std::printf("%zu inputs run\n", files.size());
    return 0;
}
