#include "platform/core/file.h"

#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <vector>

using platform::File;
using testing_support::TempDir;

TEST(File, OpensCaseInsensitivelyAndReadsAtOffsets) {
    TempDir dir;
    dir.write("svnpark.dbf", "0123456789");
    File file;
    ASSERT_EQ(file.open(dir.str() + "\\SVNPARK.DBF", false), 0);
    EXPECT_EQ(file.size(), 10);
    char buffer[8] = {};
    EXPECT_EQ(file.readAt(3, buffer, 4), 4);
    EXPECT_EQ(std::string(buffer, 4), "3456");
    EXPECT_EQ(file.readAt(8, buffer, 8), 2) << "a read past the end is short";
    EXPECT_EQ(file.readAt(20, buffer, 8), 0);
    EXPECT_EQ(file.readAt(-1, buffer, 1), -1);
    EXPECT_TRUE(file.close());
    EXPECT_FALSE(file.isOpen());
}

TEST(File, ReportsWhyAnOpenFailed) {
    TempDir dir;
    dir.write("sub/x", "x");
    File file;
    EXPECT_EQ(file.open(dir.file("missing.dbf"), false), platform::kOpenNotFound);
    EXPECT_EQ(file.open(dir.file("missing/x.dbf"), false), platform::kOpenNotFound);
    EXPECT_EQ(file.open(dir.file("sub"), true), platform::kOpenPermission) << "a directory";
    EXPECT_EQ(file.open(dir.file("sub/x/y"), true), platform::kOpenNotFound);
    // A named pipe is no data file, and opening it does not wait for a writer.
    ASSERT_EQ(::mkfifo(dir.file("PIPE.DBF").c_str(), 0444), 0);
    EXPECT_EQ(file.open(dir.file("PIPE.DBF"), true), platform::kOpenOther);
    EXPECT_EQ(file.open(dir.file("PIPE.DBF"), false), platform::kOpenOther);
    EXPECT_TRUE(platform::isRegularFile(dir.file("sub/x")));
    EXPECT_FALSE(platform::isRegularFile(dir.file("sub")));
    EXPECT_FALSE(platform::isRegularFile(dir.file("PIPE.DBF")));
}

TEST(File, AReadOnlyFileOpensForReading) {
    TempDir dir;
    const std::string path = dir.write("ro.dbf", "abc");
    std::filesystem::permissions(path, std::filesystem::perms::owner_read);
    File file;
    ASSERT_EQ(file.open(path, false), 0);
    if (::geteuid() != 0) {
        EXPECT_TRUE(file.isReadOnly());
    }
    File forced;
    ASSERT_EQ(forced.open(path, true), 0);
    EXPECT_TRUE(forced.isReadOnly());
}

namespace {
// Opens the file until the handles run out under a low limit and exits with the failure code.
[[noreturn]] void openUntilHandlesRunOut(const std::string& path) {
    std::vector<File> files(64);
    rlimit limit{};
    limit.rlim_cur = limit.rlim_max = 32;
    ::setrlimit(RLIMIT_NOFILE, &limit);
    int code = 0;
    for (auto& f : files)
        if ((code = f.open(path, true)) != 0) break;
    std::_Exit(-code);
}
} // namespace

TEST(File, RunningOutOfFileHandlesIsReportedAsSuch) {
    TempDir dir;
    const std::string path = dir.write("x.dbf", "x");
    EXPECT_EXIT(openUntilHandlesRunOut(path), testing::ExitedWithCode(-platform::kOpenTooManyFiles),
                "");
}
