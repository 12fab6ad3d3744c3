// Builds the sample application payload from the two stand-in programs.
//   make_sample_payload <output.zip> <main program .exe> <setup probe .exe>

#include <exception>
#include <iostream>
#include <stdexcept>
#include <string>

#include "file_io.h"
#include "sample_payload.h"

namespace {

std::string ReadExecutable(const char* path) {
  std::string bytes = payload::ReadWholeFile(path);
  if (!bytes.starts_with("MZ")) {
    throw std::runtime_error(std::string(path) + " is not a Windows executable");
  }
  return bytes;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::cerr << "usage: make_sample_payload <output.zip> <main program .exe> <setup probe .exe>\n";
    return 2;
  }
  try {
    const std::string main_program = ReadExecutable(argv[2]);
    const std::string probe = ReadExecutable(argv[3]);
    payload::OutputFile out(argv[1]);
    payload::WriteSamplePayload(out.stream(), main_program, probe);
    out.Commit();
  } catch (const std::exception& e) {
    std::cerr << "make_sample_payload: " << e.what() << '\n';
    return 1;
  }
  return 0;
}
