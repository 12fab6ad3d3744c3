// The reference for the program's own code size: a trivial program using the same parts of
// the C++ library (strings, vectors, exceptions), built with the same options.
#include <stdexcept>
#include <string>
#include <vector>

int main(int argc, char** argv) {
  std::vector<std::string> words(argv, argv + argc);
  try {
    if (words.size() > 8) throw std::runtime_error(words.back());
  } catch (const std::exception& error) {
    return static_cast<int>(std::string(error.what()).size());
  }
  return static_cast<int>(words.size());
}
