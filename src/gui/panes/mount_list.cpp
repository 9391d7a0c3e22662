// Reading and sorting the mount table for the explorer.
#include "gui/panes/mount_list.h"

#include <QByteArrayList>
#include <QFile>
#include <QSet>
#include <algorithm>
#include <optional>

namespace {

std::optional<MountKind> KindOf(const QByteArray& type) {
  static const QSet<QByteArray> kLocal = {"ext2",    "ext3",  "ext4",  "xfs",     "btrfs",    "f2fs",   "jfs",
                                          "reiserfs", "vfat", "msdos", "exfat",   "ntfs",     "ntfs3",  "fuseblk",
                                          "zfs",     "bcachefs", "nilfs2", "hfsplus", "overlay"};
  static const QSet<QByteArray> kRemote = {"nfs",       "nfs4",       "cifs",          "smb3",       "smbfs",
                                           "9p",        "afs",        "ceph",          "glusterfs",  "fuse.sshfs",
                                           "davfs",     "fuse.davfs2", "fuse.rclone",  "fuse.glusterfs"};
  static const QSet<QByteArray> kOptical = {"iso9660", "udf"};
  static const QSet<QByteArray> kRam = {"tmpfs", "ramfs"};
  if (kLocal.contains(type)) return MountKind::kLocal;
  if (kRemote.contains(type)) return MountKind::kRemote;
  if (kOptical.contains(type)) return MountKind::kOptical;
  if (kRam.contains(type)) return MountKind::kRam;
  return std::nullopt;
}

// The mount table writes a blank, tab, newline or backslash in a path as a
// backslash and three octal digits ("/media/My\040Disk").
QString UnescapeMountPath(const QByteArray& field) {
  QByteArray bytes;
  for (qsizetype i = 0; i < field.size(); ++i) {
    if (field[i] == '\\') {
      const QByteArray digits = field.mid(i + 1, 3);
      bool ok = false;
      const int code = digits.toInt(&ok, 8);
      if (ok && digits.size() == 3 && code < 256) {
        bytes.append(static_cast<char>(code));
        i += 3;
        continue;
      }
    }
    bytes.append(field[i]);
  }
  return QFile::decodeName(bytes);
}

}  // namespace

QString MountPoint::Label() const {
  const char* label = "Local Disk (";
  switch (kind) {
    case MountKind::kLocal:
      break;
    case MountKind::kRemote:
      label = "Remote Drive (";
      break;
    case MountKind::kOptical:
      label = "CD Drive (";
      break;
    case MountKind::kRam:
      label = "RAM Drive (";
      break;
  }
  return QString::fromLatin1(label) + root + QLatin1Char(')');
}

std::vector<MountPoint> CMountList::Read() {
  QFile table(QStringLiteral("/proc/self/mounts"));
  // The file reports a size of 0; it is read to its end.
  if (!table.open(QIODevice::ReadOnly)) return {};
  return Parse(table.readAll());
}

std::vector<MountPoint> CMountList::Parse(const QByteArray& mountsText) {
  std::vector<MountPoint> mounts;
  for (const QByteArray& line : mountsText.split('\n')) {
    const QByteArrayList fields = line.simplified().split(' ');
    if (fields.size() < 3) continue;
    const std::optional<MountKind> kind = KindOf(fields[2]);
    if (!kind) continue;
    // A RAM drive mounted read-only is the system's plumbing (a sandbox's
    // or a container's), never a place where a user keeps or saves sounds.
    if (*kind == MountKind::kRam && fields.size() > 3 && fields[3].split(',').contains("ro")) continue;
    const QString root = UnescapeMountPath(fields[1]);
    if (!root.startsWith(QLatin1Char('/')) || IsSystemPath(root)) continue;
    // A later mount on the same point hides the earlier one.
    auto same = std::find_if(mounts.begin(), mounts.end(), [&](const MountPoint& m) { return m.root == root; });
    if (same != mounts.end()) mounts.erase(same);
    mounts.push_back({root, *kind});
  }
  std::sort(mounts.begin(), mounts.end(), [](const MountPoint& a, const MountPoint& b) {
    return QFile::encodeName(a.root) < QFile::encodeName(b.root);
  });
  return mounts;
}

std::vector<MountPoint> CMountList::BrowseRoots(const std::vector<MountPoint>& mounts,
                                                const std::function<bool(const QString&)>& isFolder) {
  std::vector<MountPoint> roots;
  for (const MountPoint& mount : mounts) {
    if (mount.kind == MountKind::kRemote || isFolder(mount.root)) roots.push_back(mount);
  }
  return roots;
}

bool CMountList::IsSystemPath(const QString& path) {
  for (const char* top : {"/proc", "/sys", "/dev", "/run"}) {
    const QString prefix = QString::fromLatin1(top);
    if (path == prefix || path.startsWith(prefix + QLatin1Char('/'))) return true;
  }
  return false;
}
