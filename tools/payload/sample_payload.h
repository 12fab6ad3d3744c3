// The sample application payload used when no vendor payload is supplied: the installed
// folder layout with stand-in programs and a small client and server tree.
#pragma once

#include <ostream>
#include <string_view>

#include "zip_format.h"

namespace payload {

inline constexpr std::string_view kPayloadPassword = "862";
inline constexpr std::string_view kPayloadTopFolder = "duzozudiv/";
inline constexpr std::string_view kProbeEntry = "duzozudiv/zerarivur.exe";
inline constexpr std::string_view kMainProgramEntry = "duzozudiv/澄岚汽车用品销售工作系统.exe";
inline constexpr DosTimestamp kSampleTimestamp = MakeDosTimestamp(2024, 3, 15, 9, 30, 0);

// Writes the whole archive: names in GBK, files encrypted with kPayloadPassword. A non-zero
// padding adds a stored server data file of that many incompressible bytes.
void WriteSamplePayload(std::ostream& out, std::string_view main_program_exe,
                        std::string_view probe_exe, std::size_t padding = 0);

}  // namespace payload
