// What std::terminate does when an exception escapes where none may (a destructor, a callback
// of the system's). The C++ runtime's default handler prints the exception's demangled type
// name on standard error, which a GUI program does not have, and brings in the whole demangler
// and printf family (about 50 KB) for it. Defining the default handler here keeps the
// runtime's, and what it needs, out of the program; the process ends as abruptly as before.
#include <cstdlib>

namespace __gnu_cxx {
void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx
