// The images a command line names: files in argument order, whatever their names, and for a
// folder its files whose names end in jpg, JPG, png or PNG, sorted by name, not recursing.
#pragma once

#include <string>
#include <vector>

namespace zendavo {

std::vector<std::string> collectImages(const std::vector<std::string>& inputs);

}  // namespace zendavo
