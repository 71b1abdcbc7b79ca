// A temporary folder for one test.
#include "support/Sandbox.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace kartovel::testing {

Sandbox::Sandbox() {
  std::string pattern = (std::filesystem::temp_directory_path() / "kartovel-test-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) {
    throw std::runtime_error("cannot create a sandbox folder");
  }
  folder_ = pattern + "/";
}

Sandbox::~Sandbox() {
  std::error_code error;
  std::filesystem::permissions(folder_, std::filesystem::perms::owner_all,
                               std::filesystem::perm_options::add, error);
  std::filesystem::remove_all(folder_, error);
}

std::string Sandbox::ReadAll(const std::string& fileName) {
  std::ifstream file(fileName, std::ios::binary);
  if (!file) {
    throw std::runtime_error("cannot read " + fileName);
  }
  std::ostringstream content;
  content << file.rdbuf();
  return content.str();
}

void Sandbox::WriteAll(const std::string& fileName, const std::string& bytes) {
  std::ofstream file(fileName, std::ios::binary | std::ios::trunc);
  file << bytes;
  if (!file) {
    throw std::runtime_error("cannot write " + fileName);
  }
}

}  // namespace kartovel::testing
