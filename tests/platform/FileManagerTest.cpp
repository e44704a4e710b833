#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/FileManager.h"
#include "support/TestEnvironment.h"

using namespace qv;
using test::TempDir;

TEST(FileManager, ExistsTellsFilesFromDirectories) {
  TempDir dir;
  test::writeFile(dir / "f", "x");
  ::symlink("missing", (dir / "dangling").c_str());
  auto& fm = FileManager::defaultManager();
  bool isDir = true;
  EXPECT_TRUE(fm.fileExistsAtPath(String::fromUTF8(dir / "f"), &isDir));
  EXPECT_FALSE(isDir);
  EXPECT_TRUE(fm.fileExistsAtPath(String::fromUTF8(dir.path()), &isDir));
  EXPECT_TRUE(isDir);
  EXPECT_TRUE(fm.fileExistsAtPath(String::fromUTF8(dir / "dangling")));
  EXPECT_FALSE(fm.fileExistsAtPath(String::fromUTF8(dir / "none")));
  EXPECT_FALSE(fm.fileExistsAtPath(String()));
}

TEST(FileManager, RemovesTreesWithoutFollowingLinksOutOfThem) {
  TempDir dir, outside;
  test::writeFile(outside / "keep", "precious");
  test::writeFile(dir / "tree/a/b/file", "x");
  ::symlink(outside.path().c_str(), (dir / "tree/a/link-out").c_str());
  Error error;
  ASSERT_TRUE(FileManager::defaultManager().removeItemAtPath(String::fromUTF8(dir / "tree"), &error)) << error.description().UTF8String();
  EXPECT_FALSE(std::filesystem::exists(dir / "tree"));
  EXPECT_EQ(test::readFile(outside / "keep"), "precious");
}

TEST(FileManager, RemovalErrorsCarryThePathAndTheReason) {
  TempDir dir;
  Error error;
  String missing = String::fromUTF8(dir / "missing");
  EXPECT_FALSE(FileManager::defaultManager().removeItemAtPath(missing, &error));
  ASSERT_TRUE(error);
  EXPECT_EQ(error.code(), 4);
  EXPECT_EQ(error.userInfo().stringForKey("NSFilePath"), missing);
  EXPECT_NE(error.description().UTF8String().find("No such file or directory"), std::string::npos);
  EXPECT_FALSE(FileManager::defaultManager().removeItemAtPath(missing, nullptr));  // no out-parameter: no crash
}

TEST(FileManager, CreatesDirectoriesWithParents) {
  TempDir dir;
  auto& fm = FileManager::defaultManager();
  String deep = String::fromUTF8(dir / "a/b/c");
  Error error;
  EXPECT_TRUE(fm.createDirectoryAtPath(deep, true, {}, &error));
  EXPECT_TRUE(fm.createDirectoryAtPath(deep, true, {}, &error)) << "an existing directory is success";
  EXPECT_TRUE(std::filesystem::is_directory(dir / "a/b/c"));
  test::writeFile(dir / "file", "x");
  EXPECT_FALSE(fm.createDirectoryAtPath(String::fromUTF8(dir / "file/sub"), true, {}, &error));
  ASSERT_TRUE(error);
  EXPECT_EQ(error.userInfo().stringForKey("NSFilePath").UTF8String(), dir / "file");
  EXPECT_FALSE(fm.createDirectoryAtPath(String::fromUTF8(dir / "file"), true, {}, &error));
}
