// Which file names count as images for the source list: the window's drop target and the
// folders zendavo-cli is given take the same names.
#pragma once

#include <string_view>

namespace zendavo {

// Only the last three bytes count: "jpg", "JPG", "png" or "PNG" ("photojpg" passes, "a.Jpg"
// and "a.jpeg" do not).
bool isListedImageName(std::string_view name);

}  // namespace zendavo
