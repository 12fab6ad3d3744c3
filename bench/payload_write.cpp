// Times writing the payload resource to its file, as the installer does, against copying the
// same bytes with a plain file copy on the same file system.
// Usage: payload_write <installer.exe> <payload file> <output folder> [rounds]
// Prints: "<write seconds> <copy seconds> <bytes>", medians over the rounds.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "bench/timing.h"
#include "install/catalogue.h"
#include "win32/text.h"
#include "win32/win32_system.h"

int wmain(int argc, wchar_t** argv) {
  if (argc < 4) return 2;
  HMODULE program =
      LoadLibraryExW(argv[1], nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
  if (!program) return 3;
  const std::string folder = win32::Utf8(argv[3]);
  const int rounds = argc > 4 ? _wtoi(argv[4]) : 5;
  win32::Win32System os(program);
  std::vector<double> writes, copies;
  std::size_t bytes = 0;
  try {
    for (int round = 0; round < rounds; ++round) {
      writes.push_back(bench::Seconds([&] {
        auto payload = os.OpenResource(install::kPayloadResource);
        bytes = payload->Bytes().size();
        os.WriteFile(folder + "\\written.7z", payload->Bytes());
      }));
      const std::wstring copy = win32::Wide(folder + "\\copied.7z");
      copies.push_back(bench::Seconds([&] { CopyFileW(argv[2], copy.c_str(), FALSE); }));
    }
  } catch (const std::exception& error) {
    std::fprintf(stderr, "%s\n", error.what());
    return 1;
  }
  std::printf("%.4f %.4f %zu\n", bench::Median(writes), bench::Median(copies), bytes);
  return 0;
}
