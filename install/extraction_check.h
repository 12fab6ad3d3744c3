// Whether the extraction has put every file of the payload in place, checked against the
// payload's own catalogue before the installed application is started.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "install/install_window.h"
#include "install/operating_system.h"
#include "install/payload_catalogue.h"

namespace install {

// Shown whenever the extraction is found to have failed.
inline constexpr char kExtractionFailedText[] = "解压安装文件失败";

// The files are checked again this often while they are not all right, as long as the
// extraction still visibly progresses (files appearing or growing) within the stall time, and
// never longer than the limit in all.
inline constexpr std::uint32_t kCheckIntervalMs = 1'000;
inline constexpr std::uint64_t kCheckStallMs = 10'000;
inline constexpr std::uint64_t kCheckLimitMs = 360'000;

// Returns once every file lies under the target folder with its size and CRC-32, each file
// read once it has its full size. Throws Failure with kExtractionFailedText when
// the check gives up, at once when a folder on the way is a link (the files would not be the
// ones extracted here), and with a reason added when a name could not be where the archive
// program puts it.
void AwaitExtractedFiles(const std::vector<PayloadFile>& files, const std::string& target,
                         EventPump& window, OperatingSystem& os);

}  // namespace install
