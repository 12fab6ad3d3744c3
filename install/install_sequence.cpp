#include "install/install_sequence.h"

#include <algorithm>
#include <optional>

#include "install/catalogue.h"
#include "install/cleanup_list.h"
#include "install/disk_selection.h"
#include "install/extraction_check.h"
#include "install/failure.h"
#include "install/folder_takeover.h"
#include "install/payload_catalogue.h"
#include "install/scripts.h"

namespace install {
namespace {

// Sleeps the whole time while the window keeps answering.
void WaitResponsive(std::uint32_t milliseconds, EventPump& window, OperatingSystem& os) {
  const std::uint64_t end = os.Milliseconds() + milliseconds;
  for (std::uint64_t now = os.Milliseconds(); now < end; now = os.Milliseconds()) {
    os.Sleep(static_cast<std::uint32_t>(std::min<std::uint64_t>(kResponsiveSliceMs, end - now)));
    window.ProcessMessages();
  }
}

FileIdentity WriteResource(OperatingSystem& os, const char* name, const std::string& path) {
  std::unique_ptr<Resource> resource = os.OpenResource(name);
  return os.WriteFile(path, resource->Bytes());
}

FileIdentity SaveAndStart(OperatingSystem& os, const std::string& path,
                          const std::vector<std::string>& lines) {
  const FileIdentity written = os.SaveLines(path, lines);
  if (os.FileExists(path)) os.OpenHidden(path);
  return written;
}

// The main part; returns early for the stops that show their own message or none.
void Install(InstallWindow& window, OperatingSystem& os, CleanupList& cleanup,
             FolderTakeover& folder) {
  std::unique_ptr<Resource> payload = os.OpenResource(kPayloadResource);
  // A payload that cannot be listed cannot be extracted either: the installation goes on as
  // for any damaged payload, and the reason shows where the extraction is checked.
  std::vector<PayloadFile> payload_files;
  std::optional<std::string> unlisted;
  try {
    payload_files = ReadPayloadCatalogue(payload->Bytes());
  } catch (const Failure& damage) {
    unlisted = damage.what();
  }

  const std::string disk_root = ResolveDiskRoot(window);
  if (!IsValidDiskRoot(disk_root)) {
    window.ShowInvalidDisk();
    return;
  }
  const std::string target = TargetFolder(disk_root);
  const std::string extracted = ExtractedFolder(disk_root);
  window.ShowProgress();

  os.MakeDirectory(target);
  if (!os.DirectoryExists(target)) {
    window.ShowFolderFailed();
    return;
  }
  // The installer runs what lies in the folder as administrator: a folder that someone else
  // could have prepared is refused before anything is written.
  if (const std::optional<std::string> refusal = folder.TakeOver(os, target, extracted)) {
    window.ShowMessage(*refusal);
    return;
  }
  window.ProcessMessages();

  const FileIdentity payload_file = os.WriteFile(target + kPayloadFile, payload->Bytes());
  payload.reset();
  cleanup.Add(target + kPayloadFile, payload_file);
  window.ProcessMessages();
  cleanup.Add(target + kArchiveLibraryFile,
              WriteResource(os, kArchiveLibraryResource, target + kArchiveLibraryFile));
  cleanup.Add(target + kArchiveProgramFile,
              WriteResource(os, kArchiveProgramResource, target + kArchiveProgramFile));
  window.ProcessMessages();

  const std::string extraction_script = target + kExtractionScriptFile;
  cleanup.Add(extraction_script, SaveAndStart(os, extraction_script, ExtractionScript(disk_root)));

  // A folder left by an earlier installation ends the wait at once.
  const std::uint64_t started = os.Milliseconds();
  while (!os.DirectoryExists(extracted)) {
    if (os.Milliseconds() - started >= kExtractedFolderTimeoutMs)
      throw Failure(kExtractionFailedText);
    os.Sleep(1);
    window.ProcessMessages();
  }
  cleanup.Add(target + kRegisterScriptFile);

  window.ProcessMessages();
  WaitResponsive(10'000, window, os);
  if (!os.DirectoryExists(extracted)) return;

  SaveAndStart(os, extracted + kSecondScriptFile, SecondScript(disk_root));
  WriteResource(os, InstallResourceName(disk_root).c_str(), target + kLauncherFile);

  const std::string probe = extracted + kSetupProbeFile;
  bool probe_found = os.FileExists(probe);
  for (int polls = 0; !probe_found && polls < kSetupProbePolls; ++polls) {
    os.Sleep(1'000);
    window.ProcessMessages();
    probe_found = os.FileExists(probe);
  }
  if (!probe_found) throw Failure(kExtractionFailedText);

  window.ProcessMessages();
  WaitResponsive(60'000, window, os);
  window.ProcessMessages();
  if (unlisted) throw Failure(std::string(kExtractionFailedText) + "：" + *unlisted);
  AwaitExtractedFiles(payload_files, target, window, os);
  os.OpenHidden(target + kLauncherFile);
  window.ShowInstalled();
  window.ProcessMessages();
}

}  // namespace

void InstallSystem(InstallWindow& window, OperatingSystem& os) {
  CleanupList cleanup;
  FolderTakeover folder;
  window.SetBusy(true);

  std::optional<std::string> error;
  try {
    Install(window, os, cleanup, folder);
  } catch (const std::exception& failure) {
    error = failure.what();
  }

  cleanup.DeleteExisting(os);
  // The installed application writes its own folder, as it always could.
  try {
    folder.GiveBack(os);
  } catch (const std::exception& failure) {
    if (!error) error = failure.what();
  }
  window.SetBusy(false);
  if (error) window.ShowMessage(*error);
}

}  // namespace install
