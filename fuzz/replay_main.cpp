// The replay program of a fuzz target: runs the target's entry function once on every file
// given on the command line, or on every file inside the folders given, in name order. Built in
// every configuration, so that ctest replays the seed corpus and every input that ever crashed
// without libFuzzer. A failing input ends the program the way it ends the fuzzer (a failed
// check or a sanitizer report); the line before it names the file.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);
extern "C" __attribute__((weak)) int LLVMFuzzerInitialize(int* argc, char*** argv);

int main(int argc, char** argv) {
  namespace fs = std::filesystem;
  if (LLVMFuzzerInitialize != nullptr) LLVMFuzzerInitialize(&argc, &argv);

  std::vector<fs::path> inputs;
  for (int i = 1; i < argc; ++i) {
    const fs::path arg(argv[i]);
    std::error_code ec;
    if (fs::is_directory(arg, ec)) {
      std::vector<fs::path> files;
      for (const auto& entry : fs::directory_iterator(arg, ec)) {
        if (entry.is_regular_file() && entry.path().filename().string()[0] != '.') files.push_back(entry.path());
      }
      std::sort(files.begin(), files.end());
      inputs.insert(inputs.end(), files.begin(), files.end());
    } else if (fs::is_regular_file(arg, ec)) {
      inputs.push_back(arg);
    } else if (!fs::exists(arg, ec)) {
      // A target without past crashes has no regressions folder; nothing to replay there.
      std::fprintf(stderr, "no inputs at %s\n", argv[i]);
    } else {
      std::fprintf(stderr, "not a file or folder: %s\n", argv[i]);
      return 2;
    }
  }
  if (inputs.empty()) {
    std::fprintf(stderr, "nothing to replay\n");
    return 2;
  }
  for (const fs::path& path : inputs) {
    std::ifstream in(path, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (!in.good() && !in.eof()) {
      std::fprintf(stderr, "cannot read %s\n", path.c_str());
      return 2;
    }
    std::fprintf(stderr, "replaying %s (%zu bytes)\n", path.c_str(), bytes.size());
    // A copy of exactly the input's size, so that a read past its end is caught as in the fuzzer.
    std::vector<std::uint8_t> data(bytes.begin(), bytes.end());
    static std::uint8_t none;  // libFuzzer too hands a valid pointer for an empty input
    LLVMFuzzerTestOneInput(data.empty() ? &none : data.data(), data.size());
  }
  std::fprintf(stderr, "replayed %zu inputs\n", inputs.size());
  return 0;
}
