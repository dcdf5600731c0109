// Hands out file names that no earlier claim in the same folder holds: a taken name gets
// " (2)", " (3)", ... before its extension, so IMG_1.jpg twice gives IMG_1.jpg and IMG_1 (2).jpg.
#pragma once

#include <string>
#include <string_view>
#include <unordered_set>

namespace zendavo {

class UniqueNames {
public:
    // `name` itself when free, else the first free numbered form. Names that differ only in
    // the letter case of A to Z count as taken, since outputs often go to FAT media.
    std::string claim(std::string_view name);

private:
    std::unordered_set<std::string> taken_;  // ASCII-folded
};

// "IMG_1.jpg", 2 gives "IMG_1 (2).jpg"; a name without an extension gets the number at its end.
std::string numberedName(std::string_view name, int number);

}  // namespace zendavo
