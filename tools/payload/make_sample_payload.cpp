// Builds the sample application payload from the two stand-in programs.
//   make_sample_payload <output.zip> <main program .exe> <setup probe .exe> [--size=<bytes>]
// With --size the archive is padded with a server data file to exactly that size, for
// measuring the installer with a payload as large as the real one.
//   make_sample_payload --fix-host <archive.zip> <output.zip>
// writes a copy of an archive with every entry marked as made on MS-DOS, the mend for a vendor
// archive that check_payload refuses for its host.

#include <exception>
#include <iostream>
#include <sstream>
#include <stdexcept>
#include <string>

#include "file_io.h"
#include "host_fix.h"
#include "sample_payload.h"

namespace {

std::string ReadExecutable(const char* path) {
  std::string bytes = payload::ReadWholeFile(path);
  if (!bytes.starts_with("MZ")) {
    throw std::runtime_error(std::string(path) + " is not a Windows executable");
  }
  return bytes;
}

std::size_t ArchiveSize(const std::string& main_program, const std::string& probe,
                        std::size_t padding) {
  std::ostringstream archive;
  payload::WriteSamplePayload(archive, main_program, probe, padding);
  return archive.str().size();
}

// The padding file adds its own size plus a fixed overhead (headers, encryption header).
std::size_t PaddingFor(std::size_t size, const std::string& main_program,
                       const std::string& probe) {
  const std::size_t bare = ArchiveSize(main_program, probe, 0);
  const std::size_t overhead = ArchiveSize(main_program, probe, 1) - bare - 1;
  if (size < bare + overhead + 1)
    throw std::runtime_error("the archive cannot be smaller than " +
                             std::to_string(bare + overhead + 1) + " bytes");
  return size - bare - overhead;
}

int FixHost(const char* input, const char* output) {
  try {
    std::string archive = payload::ReadWholeFile(input);
    const std::size_t changed = payload::SetHostMsDos(archive);
    payload::OutputFile out(output);
    out.stream().write(archive.data(), static_cast<std::streamsize>(archive.size()));
    out.Commit();
    std::cout << "make_sample_payload: " << output << ": " << changed
              << " entries now made on MS-DOS\n";
  } catch (const std::exception& e) {
    std::cerr << "make_sample_payload: " << input << ": " << e.what() << '\n';
    return 1;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && std::string_view(argv[1]) == "--fix-host") return FixHost(argv[2], argv[3]);
  const std::string_view size_option = argc == 5 ? argv[4] : "";
  if ((argc != 4 && argc != 5) || (argc == 5 && !size_option.starts_with("--size="))) {
    std::cerr << "usage: make_sample_payload <output.zip> <main program .exe> <setup probe .exe>"
                 " [--size=<bytes>]\n"
                 "       make_sample_payload --fix-host <archive.zip> <output.zip>\n";
    return 2;
  }
  try {
    const std::string main_program = ReadExecutable(argv[2]);
    const std::string probe = ReadExecutable(argv[3]);
    std::size_t padding = 0;
    if (!size_option.empty())
      padding = PaddingFor(std::stoull(std::string(size_option.substr(7))), main_program, probe);
    payload::OutputFile out(argv[1]);
    payload::WriteSamplePayload(out.stream(), main_program, probe, padding);
    out.Commit();
  } catch (const std::exception& e) {
    std::cerr << "make_sample_payload: " << e.what() << '\n';
    return 1;
  }
  return 0;
}
