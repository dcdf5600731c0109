// Makes a 24-bit copy of an 8-bit (palette or grey) or 32-bit picture.
#pragma once

#include "formats/raster_image.h"

namespace zendavo {

// Creates `target` as a 24-bit image of the source's size holding the same picture: palette
// indexes become their entry's colour (an index beyond the palette black), grey levels become
// equal red, green and blue, and alpha is dropped (the decoders lay transparency over white
// before a picture gets here). False when the source is empty or the target's storage cannot
// be obtained.
bool toRgb24(const RasterImage& source, RasterImage& target);

}  // namespace zendavo
