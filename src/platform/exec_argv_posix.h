#pragma once

#include <string>
#include <vector>

namespace scf {

// The argument vector exec wants: the program, then each argument, then a null pointer. The
// pointers borrow from the strings, which must outlive the vector.
inline std::vector<char*> execArgv(const std::string& program,
                                   const std::vector<std::string>& arguments) {
  std::vector<char*> argv;
  argv.reserve(arguments.size() + 2);
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const std::string& argument : arguments)
    argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  return argv;
}

}  // namespace scf
