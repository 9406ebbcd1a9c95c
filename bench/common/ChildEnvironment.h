#pragma once

#include <string>
#include <vector>

namespace lirosa::bench {

// This process's environment with each "NAME=value" of `added` put in,
// replacing a variable of the same name: what a started program gets.
std::vector<std::string> EnvironmentWith(const std::vector<std::string>& added);

// Pointers into `strings`, ended by a null, as exec wants them; valid while
// `strings` is left alone.
std::vector<char*> NullTerminated(std::vector<std::string>& strings);

}  // namespace lirosa::bench
