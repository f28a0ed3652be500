#include "path_scene.h"

#include <stdlib.h>

#include <fstream>
#include <stdexcept>
#include <string>
#include <system_error>

namespace fs = std::filesystem;

namespace program_test {

PathScene::PathScene() {
  std::string pattern = (fs::temp_directory_path() / "pathfind-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) {
    throw std::runtime_error("mkdtemp failed");
  }
  root_ = pattern;
  constexpr auto executable = fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                              fs::perms::others_read | fs::perms::others_exec;
  constexpr auto readable = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                            fs::perms::others_read;
  fs::create_directories(root_ / "first" / "tool");
  fs::create_directories(root_ / "second");
  fs::create_directories(root_ / "links");
  add_file("first/prog", executable);
  add_file("first/data", readable);
  add_file("second/prog", executable);
  add_file("second/data", executable);
  add_file("second/tool", executable);
  fs::create_symlink("../first/prog", root_ / "links" / "prog_link");
  fs::create_directory_symlink("../first/tool", root_ / "links" / "dir_link");
}

PathScene::~PathScene() {
  std::error_code ignored;
  fs::remove_all(root_, ignored);
}

void PathScene::add_file(const std::string& relative, fs::perms perms) const {
  std::ofstream(root_ / relative) << "#!/bin/sh\n";
  fs::permissions(root_ / relative, perms);
}

}  // namespace program_test
