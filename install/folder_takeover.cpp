#include "install/folder_takeover.h"

namespace install {
namespace {

// What the system shows of the target folder, the extracted folder in it and the entries that
// would run in place of what the installer writes.
FolderObservation ObserveTargetFolder(OperatingSystem& os, const std::string& target,
                                      const std::string& extracted) {
  FolderObservation seen{os.InspectFolder(target), os.InspectFolder(extracted), {}};
  for (const char* name : kPlantedEntries)
    if (os.EntryExists(target + name)) seen.planted.push_back(name);
  return seen;
}

}  // namespace

std::optional<std::string> FolderTakeover::TakeOver(OperatingSystem& os, const std::string& target,
                                                    const std::string& extracted) {
  const FolderObservation seen = ObserveTargetFolder(os, target, extracted);
  FolderVerdict verdict = JudgeTargetFolder(seen);
  if (!verdict.safe) return FolderRefusalText(target, verdict.reason);
  // A volume without ACLs has nothing to protect: the checks above are all there is.
  if (!seen.target.keeps_access_control) return std::nullopt;

  // Given back whatever happens from here on, a protection that failed half-way included.
  protected_ = target;
  os.ProtectFolder(target);
  // Until the folder was protected its owner could still change it: look again.
  verdict = JudgeTargetFolder(ObserveTargetFolder(os, target, extracted));
  if (!verdict.safe) return FolderRefusalText(target, verdict.reason);
  return std::nullopt;
}

void FolderTakeover::GiveBack(OperatingSystem& os) {
  if (!protected_) return;
  const std::string folder = *protected_;
  protected_.reset();
  os.RestoreFolderSecurity(folder);
}

}  // namespace install
