// Saving over an existing file: a symbolic link stays a link and its target
// gets the new bytes; the new file keeps the old one's permission bits and,
// where the process may give them, its owner and group. A writer that goes
// back to patch its header finds its bytes where it left them.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "core/model/atomic_file_writer.h"
#include "test_support.h"

namespace {

bool Save(const std::string& path, const std::string& bytes) {
  AtomicFileWriter file;
  return file.Open(path) && file.Write(bytes.data(), bytes.size()) && file.Commit();
}

// Entries under `folder`, its subfolders and their entries included.
size_t FilesIn(const std::filesystem::path& folder) {
  size_t files = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::recursive_directory_iterator(folder)) ++files;
  return files;
}

struct LinkCase {
  const char* name;
  std::vector<std::pair<std::string, std::string>> links;  // link name, what it points to
  std::string saveThrough;
  std::string realFile;  // relative to the folder
};

class AtomicFileWriterLinkTest : public testing::TestWithParam<LinkCase> {};

TEST_P(AtomicFileWriterLinkTest, SaveThroughALinkWritesItsTarget) {
  // Given a file with unusual permission bits and links to it
  const LinkCase& c = GetParam();
  test_support::TemporaryFolder folder;
  std::filesystem::create_directory(folder.path() / "sub");
  const std::string real = folder.File(c.realFile);
  test_support::WriteFileBytes(real, "old");
  ASSERT_EQ(::chmod(real.c_str(), 0604), 0);
  for (const auto& [link, target] : c.links) {
    ASSERT_EQ(::symlink(target.c_str(), folder.File(link).c_str()), 0);
  }
  // When a save goes through the first link
  ASSERT_TRUE(Save(folder.File(c.saveThrough), "new bytes"));
  // Then every link is still a link, the real file holds the new bytes with
  // its permission bits, and no temporary file is left
  for (const auto& [link, target] : c.links) {
    struct stat st;
    ASSERT_EQ(::lstat(folder.File(link).c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode)) << link;
  }
  EXPECT_EQ(test_support::ReadFileBytes(real), "new bytes");
  struct stat st;
  ASSERT_EQ(::stat(real.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0604u);
  EXPECT_EQ(FilesIn(folder.path()), 2 + c.links.size());  // "sub", the real file and the links
}

INSTANTIATE_TEST_SUITE_P(
    AtomicFileWriter, AtomicFileWriterLinkTest,
    testing::Values(LinkCase{"RelativeLink", {{"link.wav", "sub/real.wav"}}, "link.wav", "sub/real.wav"},
                    LinkCase{"ChainOfLinks",
                             {{"first.wav", "second.wav"}, {"second.wav", "sub/real.wav"}},
                             "first.wav",
                             "sub/real.wav"},
                    LinkCase{"LinkInsideTheTargetFolderIsRelativeToIt",
                             {{"sub/link.wav", "real.wav"}},
                             "sub/link.wav",
                             "sub/real.wav"}),
    [](const testing::TestParamInfo<LinkCase>& info) { return info.param.name; });

TEST(AtomicFileWriter, AbsoluteAndDanglingLinksStayLinks) {
  // Given an absolute link, and a link to a file that does not exist yet
  test_support::TemporaryFolder folder;
  const std::string real = folder.File("real.wav");
  test_support::WriteFileBytes(real, "old");
  ASSERT_EQ(::symlink(real.c_str(), folder.File("absolute.wav").c_str()), 0);
  ASSERT_EQ(::symlink("later.wav", folder.File("dangling.wav").c_str()), 0);
  // When both are saved through
  ASSERT_TRUE(Save(folder.File("absolute.wav"), "one"));
  ASSERT_TRUE(Save(folder.File("dangling.wav"), "two"));
  // Then the files they name hold the bytes
  EXPECT_EQ(test_support::ReadFileBytes(real), "one");
  EXPECT_EQ(test_support::ReadFileBytes(folder.File("later.wav")), "two");
  EXPECT_TRUE(std::filesystem::is_symlink(folder.File("absolute.wav")));
  EXPECT_TRUE(std::filesystem::is_symlink(folder.File("dangling.wav")));
  EXPECT_EQ(FilesIn(folder.path()), 4u);
}

TEST(AtomicFileWriter, NewFileKeepsTheOldOnesOwnerAndMode) {
  // Given a file owned by another user and group, writable by them only
  if (::geteuid() != 0) GTEST_SKIP() << "only a privileged process may give a file away";
  test_support::TemporaryFolder folder;
  const std::string path = folder.File("theirs.wav");
  test_support::WriteFileBytes(path, "old");
  ASSERT_EQ(::chown(path.c_str(), 4321, 4322), 0);
  ASSERT_EQ(::chmod(path.c_str(), 0620), 0);
  // When it is saved
  ASSERT_TRUE(Save(path, "new"));
  // Then the new file is still theirs, with the same mode
  struct stat st;
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_uid, 4321u);
  EXPECT_EQ(st.st_gid, 4322u);
  EXPECT_EQ(st.st_mode & 07777, 0620u);
  EXPECT_EQ(test_support::ReadFileBytes(path), "new");
}

TEST(AtomicFileWriter, SeekingBackPatchesInPlace) {
  // Given a header to be filled in later, and bodies that stay in the buffer
  // and that go straight to the file (a megabyte or more)
  test_support::TemporaryFolder folder;
  const std::string path = folder.File("patched.bin");
  const std::string small(1000, 'a');
  const std::string large(3 << 19, 'b');
  AtomicFileWriter file;
  ASSERT_TRUE(file.Open(path));
  ASSERT_TRUE(file.Write("????", 4));
  ASSERT_TRUE(file.Write(small.data(), small.size()));
  ASSERT_TRUE(file.Write(large.data(), large.size()));
  ASSERT_TRUE(file.Write(small.data(), small.size()));
  const uint64_t end = 4 + 2 * small.size() + large.size();
  EXPECT_EQ(file.Position(), end);
  EXPECT_EQ(file.Size(), end);
  // When the header is patched, one byte in the middle overwritten, and
  // writing goes on at the end
  ASSERT_TRUE(file.Seek(0));
  ASSERT_TRUE(file.Write("HEAD", 4));
  EXPECT_EQ(file.Position(), 4u);
  ASSERT_TRUE(file.Seek(4 + small.size()));
  ASSERT_TRUE(file.Write("X", 1));
  EXPECT_EQ(file.Size(), end);
  ASSERT_TRUE(file.Seek(file.Size()));
  ASSERT_TRUE(file.Write("tail", 4));
  ASSERT_TRUE(file.Commit());
  // Then the file holds each byte where it was last put
  std::string expected = "HEAD" + small + large + small + "tail";
  expected[4 + small.size()] = 'X';
  EXPECT_TRUE(test_support::ReadFileBytes(path) == expected);
}

}  // namespace
