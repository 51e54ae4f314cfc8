// Runs a fuzz target's kept inputs without libFuzzer, for the native build's tests:
// every file in the folders given (a folder that does not exist holds none).
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

int main(int argc, char** argv) {
    int replayed = 0;
    for (int i = 1; i < argc; ++i) {
        std::error_code error;
        for (auto& file : std::filesystem::directory_iterator(argv[i], error)) {
            fprintf(stderr, "%s\n", file.path().c_str());  // before it: a failure ends the program
            std::ifstream in(file.path(), std::ios::binary);
            std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
            LLVMFuzzerTestOneInput((const uint8_t*)bytes.data(), bytes.size());
            ++replayed;
        }
    }
    printf("%d inputs replayed\n", replayed);
    return replayed ? 0 : 1;
}
