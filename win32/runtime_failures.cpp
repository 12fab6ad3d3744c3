// How the C++ runtime's own failures end in this program. The runtime's versions of these
// functions bring in far more than the program needs: its default terminate handler prints the
// exception's demangled type name on standard error, which a GUI program does not have, with
// the whole demangler and printf family behind it; its throw helpers build std::logic_error and
// friends, whose reference-counted strings pull in a second copy of the string code. Defining
// them here keeps those out of the program (about 130 KB).
#include <bits/functexcept.h>

#include <cstdlib>
#include <new>

#include "install/failure.h"

namespace __gnu_cxx {
// An exception escaped where none may (a destructor, a callback of the system's): the process
// ends as abruptly as with the runtime's handler.
void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx

namespace std {
void __throw_bad_alloc() { throw bad_alloc(); }
void __throw_bad_array_new_length() { throw bad_array_new_length(); }
// A container or string used out of its bounds: a fault of the program, reported like any
// other failure, with the runtime's own words.
void __throw_length_error(const char* what) { throw install::Failure(what); }
void __throw_logic_error(const char* what) { throw install::Failure(what); }
void __throw_out_of_range(const char* what) { throw install::Failure(what); }
void __throw_out_of_range_fmt(const char* format, ...) { throw install::Failure(format); }
}  // namespace std
