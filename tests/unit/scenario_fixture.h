// A fixture that runs each test in a fresh temporary folder with a fresh interpreter.
#pragma once

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>

#include "fake_host.h"
#include "script/interpreter.h"

namespace vellaro {

class ScenarioTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Writes the lines, each ended by CR LF (as a lesson author's editor writes them).
  void writeScenario(const std::string& name, std::initializer_list<std::string> lines);
  void writeFile(const std::string& name, const std::string& bytes);
  std::string readFile(const std::string& name);
  // Runs the scenario on the interpreter as start-up left it (SetUp resets it).
  void run(const std::string& path = "index.scn");

  FakeHost host;
  Interpreter interpreter{host};

 private:
  std::string previousDirectory_;
  std::string directory_;
};

}  // namespace vellaro
