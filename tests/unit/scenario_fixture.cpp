#include "scenario_fixture.h"

#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace vellaro {

void ScenarioTest::SetUp() {
  char cwd[PATH_MAX];
  ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
  previousDirectory_ = cwd;
  char pattern[] = "/tmp/vellaro-test-XXXXXX";
  ASSERT_NE(mkdtemp(pattern), nullptr);
  directory_ = pattern;
  ASSERT_EQ(chdir(directory_.c_str()), 0);
  interpreter.reset();
}

void ScenarioTest::TearDown() {
  EXPECT_EQ(chdir(previousDirectory_.c_str()), 0);
  std::filesystem::remove_all(directory_);
}

void ScenarioTest::writeScenario(const std::string& name, std::initializer_list<std::string> lines) {
  std::string bytes;
  for (const std::string& line : lines) bytes += line + "\r\n";
  writeFile(name, bytes);
}

void ScenarioTest::writeFile(const std::string& name, const std::string& bytes) {
  std::ofstream(name, std::ios::binary) << bytes;
}

std::string ScenarioTest::readFile(const std::string& name) {
  std::ifstream file(name, std::ios::binary);
  std::ostringstream bytes;
  bytes << file.rdbuf();
  return bytes.str();
}

void ScenarioTest::run(const std::string& path) {
  interpreter.runScenario(path);
}

}  // namespace vellaro
