// Refuses an application payload the installer could not extract with its fixed password.
//   check_payload <archive> [required entry (UTF-8)]...
// Exit code 0 when acceptable; otherwise 1 and one line on stderr saying what is wrong.

#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include "payload_check.h"
#include "sample_payload.h"

int main(int argc, char** argv) {
  if (argc < 2) {
    std::cerr << "usage: check_payload <archive> [required entry]...\n";
    return 2;
  }
  const std::vector<std::string> required(argv + 2, argv + argc);
  try {
    const payload::PayloadSummary summary =
        payload::CheckPayloadFile(argv[1], payload::kPayloadPassword, required);
    std::cout << "check_payload: " << argv[1] << ": OK, " << summary.files << " files and "
              << summary.folders << " folders\n";
  } catch (const std::exception& e) {
    std::cerr << "check_payload: " << argv[1] << ": " << e.what() << '\n';
    return 1;
  }
  return 0;
}
