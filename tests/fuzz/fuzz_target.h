// The entry every fuzz target defines: libFuzzer calls it, and so does the replay driver.
#pragma once

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);
