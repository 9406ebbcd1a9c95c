#include "ChildEnvironment.h"

extern char** environ;

namespace lirosa::bench {

std::vector<std::string> EnvironmentWith(const std::vector<std::string>& added) {
  std::vector<std::string> environment;
  for (char** e = environ; *e != nullptr; ++e) environment.emplace_back(*e);
  for (const std::string& variable : added) {
    const std::string name = variable.substr(0, variable.find('=') + 1);
    std::erase_if(environment,
                  [&](const std::string& e) { return e.compare(0, name.size(), name) == 0; });
    environment.push_back(variable);
  }
  return environment;
}

std::vector<char*> NullTerminated(std::vector<std::string>& strings) {
  std::vector<char*> pointers;
  for (std::string& s : strings) pointers.push_back(s.data());
  pointers.push_back(nullptr);
  return pointers;
}

}  // namespace lirosa::bench
