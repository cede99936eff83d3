// Output paths are compared by the file they reach.
#include "Executive/OutputPaths.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "support/ResultReaders.h"

TEST(OutputPaths, SpellingsOfOneFileAreTheSameFile) {
  namespace fs = std::filesystem;
  const std::string dir = results::freshDirectory("paths").string();
  std::ofstream(dir + "/a") << "x";
  fs::create_directory(dir + "/s");
  fs::create_symlink("a", dir + "/link");
  fs::create_hard_link(dir + "/a", dir + "/hard");
  fs::create_symlink("new", dir + "/dangling");  // writing to it creates "new"
  fs::create_symlink("s", dir + "/slink");

  for (const auto& [first, second, same] : {
           std::tuple{"a", "./a", true},
           {"a", "link", true},
           {"a", "hard", true},
           {"s/../b", "b", true},
           {"slink/c", "s/c", true},
           {"dangling", "new", true},
           {"a", "b", false},
           {"b", "B", false},
           {"s/b", "b", false},
       }) {
    EXPECT_EQ(OutputPaths::SameFile(dir + "/" + first, dir + "/" + second), same)
        << first << " " << second;
  }
  // Two writers harm no character device.
  EXPECT_FALSE(OutputPaths::SameFile("/dev/null", "/dev/null"));

  const auto collision = OutputPaths::FirstCollision(
      {{"ASCII", dir + "/x"}, {"binary", dir + "/y"}, {"trace", dir + "/./y"}});
  EXPECT_EQ(collision, std::pair(1, 2));
  EXPECT_EQ(OutputPaths::FirstCollision({{"ASCII", dir + "/x"}, {"binary", dir + "/y"}}),
            std::pair(-1, -1));
  fs::remove_all(dir);
}
