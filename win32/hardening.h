// Start-up hardening: what the program does before anything else, so that no file planted
// beside it or in the working folder is loaded as part of it, and probing drives stays silent.
#pragma once

#include <optional>
#include <string>

namespace win32 {

// Applies every measure below to the running program. Returns the message to show when the
// program must not go on.
std::optional<std::string> HardenStartup();

// Loads, by full path from System32, the DLLs that the system's libraries would otherwise look
// for beside the program: uxtheme, userenv, setupapi, apphelp, propsys, dwmapi, cryptbase,
// oleacc, clbcatq, ntmarta and version.
void PreloadSystemDlls();

// The full path of the running program.
std::string ProgramPath();

// "<program>.local" (a file or a folder) makes the loader take DLLs from beside the program
// instead of the system's; returns that path when it exists.
std::optional<std::string> DllRedirectionBeside(const std::string& program_path);

}  // namespace win32
