// Times the check of an extracted tree against the payload's catalogue, as the installer runs
// it, against just reading the same files once. The tree is made first: `files` files of
// `bytes` in all, in folders as an application's tree has them.
// Usage: extraction_check <folder> <files> <bytes> [rounds]
// Prints: "<check seconds> <read seconds> <files> <bytes>", medians over the rounds.
#include "install/extraction_check.h"

#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "bench/timing.h"
#include "install/crc32.h"
#include "win32/handle.h"
#include "win32/text.h"
#include "win32/win32_system.h"
#include "win32/win32_toolkit.h"

namespace {

// Sizes spread like an application's: many small files, a few large ones.
std::vector<install::PayloadFile> MakeTree(win32::Win32System& os, const std::string& target,
                                           std::size_t files, std::uint64_t bytes) {
  std::mt19937 random(862);
  std::vector<double> weights(files);
  double total = 0;
  for (double& weight : weights) total += weight = std::pow(random() % 1000 + 1, 3.0);
  std::vector<install::PayloadFile> catalogue;
  std::string data;
  os.MakeDirectory(target + "duzozudiv");
  for (std::size_t i = 0; i < files; ++i) {
    std::string folder = "duzozudiv\\m";
    folder += std::to_string(i % 40);
    os.MakeDirectory(target + folder);
    const std::string name = folder + "\\f" + std::to_string(i) + ".dat";
    data.resize(static_cast<std::size_t>(static_cast<double>(bytes) * weights[i] / total));
    for (char& byte : data) byte = static_cast<char>(random());
    os.WriteFile(target + name, data);
    std::string stored = name;
    std::replace(stored.begin(), stored.end(), '\\', '/');
    catalogue.push_back({stored, static_cast<std::uint32_t>(data.size()), install::Crc32(data)});
  }
  return catalogue;
}

// Every file opened, read to its end in pieces of the same size as the check's, closed.
void ReadAll(const std::string& target, const std::vector<install::PayloadFile>& catalogue) {
  std::vector<char> buffer(256 * 1024);
  for (const install::PayloadFile& file : catalogue) {
    std::string path = target + file.name;
    std::replace(path.begin(), path.end(), '/', '\\');
    win32::FileHandle handle(CreateFileW(win32::Wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ,
                                         nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN,
                                         nullptr));
    DWORD read = 0;
    while (
        handle &&
        ReadFile(handle.get(), buffer.data(), static_cast<DWORD>(buffer.size()), &read, nullptr) &&
        read > 0) {
    }
  }
}

// The check handles pending events as it would in the installer's window.
struct Pump : install::EventPump {
  win32::Win32Toolkit toolkit;
  void ProcessMessages() override { toolkit.ProcessMessages(); }
};

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 4) return 2;
  const std::string target = win32::Utf8(argv[1]) + "\\";
  const int rounds = argc > 4 ? _wtoi(argv[4]) : 5;
  win32::Win32System os;
  Pump pump;
  std::vector<double> checks, reads;
  std::vector<install::PayloadFile> catalogue;
  try {
    os.MakeDirectory(target);
    catalogue = MakeTree(os, target, static_cast<std::size_t>(_wtoi(argv[2])), _wtoi64(argv[3]));
    for (int round = 0; round < rounds; ++round) {
      checks.push_back(
          bench::Seconds([&] { install::AwaitExtractedFiles(catalogue, target, pump, os); }));
      reads.push_back(bench::Seconds([&] { ReadAll(target, catalogue); }));
    }
  } catch (const std::exception& error) {
    std::fprintf(stderr, "%s\n", error.what());
    return 1;
  }
  std::uint64_t bytes = 0;
  for (const install::PayloadFile& file : catalogue) bytes += file.size;
  std::printf("%.4f %.4f %zu %llu\n", bench::Median(checks), bench::Median(reads), catalogue.size(),
              static_cast<unsigned long long>(bytes));
  return 0;
}
