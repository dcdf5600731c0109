// Damage a decoder worked around: the picture is still converted, the caller is told.
#pragma once

namespace zendavo {

enum class DecodeWarning {
    None,
    IncompleteData,  // the data ended early or was corrupt; the rest is filled in (grey)
};

}  // namespace zendavo
