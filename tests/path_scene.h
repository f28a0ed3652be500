// Test helper: a temporary folder laid out as a small PATH to search, removed afterwards.
//
//   first/prog      executable           second/prog   executable
//   first/data      not executable       second/data   executable
//   first/tool/     a directory          second/tool   executable
//   links/prog_link -> ../first/prog     links/dir_link -> ../first/tool
#ifndef MORSEL_TESTS_PATH_SCENE_H
#define MORSEL_TESTS_PATH_SCENE_H

#include <filesystem>
#include <string>

namespace program_test {

class PathScene {
 public:
  PathScene();
  ~PathScene();
  PathScene(const PathScene&) = delete;
  PathScene& operator=(const PathScene&) = delete;

  // The absolute path of `relative` inside the scene.
  std::string at(const std::string& relative) const { return (root_ / relative).string(); }
  const std::filesystem::path& root() const { return root_; }

  void add_file(const std::string& relative, std::filesystem::perms perms) const;

 private:
  std::filesystem::path root_;
};

}  // namespace program_test

#endif  // MORSEL_TESTS_PATH_SCENE_H
