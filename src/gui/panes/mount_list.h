// The mounted file systems the explorer offers as the roots of its Browse
// page and the search takes as its disks: local disks, network shares,
// optical discs and RAM disks, each shown by its kind and mount point
// ("Local Disk (/home)"). Kernel and device pseudo file systems, and
// anything mounted below /proc, /sys, /dev or /run, are not places where a
// user keeps sound files and are left out.
#pragma once

#include <QString>
#include <functional>
#include <vector>

enum class MountKind { kLocal, kRemote, kOptical, kRam };

struct MountPoint {
  QString root;  // the mount point, "/" or "/home"
  MountKind kind = MountKind::kLocal;

  // "Local Disk (/home)", "Remote Drive (/srv/share)", "CD Drive (...)",
  // "RAM Drive (...)".
  QString Label() const;
};

class CMountList {
 public:
  // The file systems mounted now, from /proc/self/mounts.
  static std::vector<MountPoint> Read();

  // The entries of `mountsText` (the format of /proc/self/mounts) that the
  // explorer offers, sorted by mount point. A mount point mounted twice is
  // kept once, as the later mount (the one that hides the earlier).
  static std::vector<MountPoint> Parse(const QByteArray& mountsText);

  // The roots the Browse page lists, in the order of `mounts`: a root that
  // `isFolder` denies (a file mounted over a file, a mount point that is
  // gone) is left out. A network share is listed without asking: a share
  // whose server does not answer would hold the caller for as long as the
  // file system waits, minutes for a hard mount, and the explorer is built
  // on the interface thread while the program starts. Whether the share can
  // be read is found out when the user opens it.
  static std::vector<MountPoint> BrowseRoots(const std::vector<MountPoint>& mounts,
                                             const std::function<bool(const QString&)>& isFolder);

  // True for paths the search never enters: the kernel's and the devices'
  // pseudo file systems and the run-time state below /run.
  static bool IsSystemPath(const QString& path);
};
