#pragma once

#include <string>

namespace lirosa::sim {

// A symbolic link to the port under a fixed name, so a demo or a script
// can name the port before it exists. Removed again when this goes, unless
// it has been replaced by something else meanwhile.
class PortLink {
 public:
  PortLink() = default;
  ~PortLink();
  PortLink(const PortLink&) = delete;
  PortLink& operator=(const PortLink&) = delete;

  // Makes `linkPath` point at `target`. A symbolic link already there (left
  // by an earlier run) is replaced in one step; anything else there is left
  // alone and the call fails with a reason in `error`.
  bool Create(const std::string& linkPath, const std::string& target, std::string& error);

 private:
  std::string linkPath_;
  std::string target_;
};

}  // namespace lirosa::sim
