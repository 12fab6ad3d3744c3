#include "install/folder_safety.h"

namespace install {
namespace {

bool Trusted(FolderOwner owner) {
  switch (owner) {
    case FolderOwner::kAdministrators:
    case FolderOwner::kSystem:
    case FolderOwner::kTrustedInstaller:
    case FolderOwner::kInstallingUser:
      return true;
    case FolderOwner::kSomeoneElse:
    case FolderOwner::kUnknown:
      break;
  }
  return false;
}

FolderVerdict Unsafe(std::string reason) { return {false, std::move(reason)}; }

}  // namespace

FolderVerdict JudgeTargetFolder(const FolderObservation& seen) {
  // A folder the installer is about to create has nothing in it to distrust.
  if (!seen.target.exists) return {};
  if (seen.target.reparse_point) return Unsafe("它是指向别处的链接（重解析点）");
  if (seen.extracted.exists && seen.extracted.reparse_point)
    return Unsafe("其中的 duzozudiv 文件夹是指向别处的链接（重解析点）");
  // Volumes without ACLs record no owner; there is nothing to protect or to check.
  if (seen.target.keeps_access_control && !Trusted(seen.target.owner))
    return Unsafe("它的所有者不是管理员、系统或当前用户，其他用户可能改动其中的文件");
  // The owner of the extracted folder can change what is extracted there before it runs,
  // however the folder around it is protected.
  if (seen.extracted.exists && seen.extracted.keeps_access_control &&
      !Trusted(seen.extracted.owner))
    return Unsafe(
        "其中的 duzozudiv 文件夹的所有者不是管理员、系统或当前用户，其他用户可能改动其中的文件");
  if (!seen.planted.empty())
    return Unsafe("其中有 \"" + seen.planted.front() + "\"，它会代替安装程序写入的文件运行");
  return {};
}

std::string FolderRefusalText(const std::string& folder, const std::string& reason) {
  return "文件夹 \"" + folder + "\" 不安全：" + reason +
         "。为安全起见，安装程序没有写入或删除任何文件。" +
         "请删除或重命名这个文件夹后再运行安装程序。";
}

}  // namespace install
