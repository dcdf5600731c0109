// The images a command line names: files in argument order, whatever their names, and for a
// folder its files whose names end in jpg, JPG, png or PNG, sorted by name. With `recursive`
// a folder's sub-folders are taken too, except folders named 水印1 to 水印10 (earlier outputs).
#pragma once

#include <string>
#include <vector>

namespace zendavo {

struct ListedImage {
    std::string path;
    std::string relativeFolder;  // below its folder argument, "" for files given by name
};

struct ImageList {
    std::vector<ListedImage> images;
    std::vector<std::string> skipped;  // other files inside the folder arguments
};

ImageList collectImages(const std::vector<std::string>& inputs, bool recursive = false);

// Whether the folder name is one of the outputs' 水印1 .. 水印10.
bool isSlotFolderName(const std::string& name);

}  // namespace zendavo
