#include "cli/cli_manual.h"

#include "cli/message_language.h"

#ifndef ZENDAVO_VERSION
#define ZENDAVO_VERSION "unknown"
#endif

namespace zendavo {

std::string manualText()
{
    // One message per section, so that a translator sees each section whole.
    std::string text = tr(
        "Usage: zendavo-cli --slot N=PICTURE [--slot N=PICTURE ...] [OPTION...] IMAGE_OR_FOLDER...\n"
        "\n"
        "Stamps watermark pictures onto photos. For every slot N given, a watermarked copy of\n"
        "every photo is written into a folder named 水印N. The watermark is multiplied into the\n"
        "photo, so dark parts darken it and pure white parts leave it unchanged (white is keyed\n"
        "out): use a dark logo on a white or transparent background.\n"
        "\n");
    text += tr(
        "Options:\n"
        "  --slot N=PICTURE    Use PICTURE as the watermark of slot N (1 to 10); outputs go\n"
        "                      into 水印N. Give it once per slot; at least one is needed.\n"
        "  --position N        Where the watermark goes: 1 top left, 2 top centre, 3 top\n"
        "                      right, 4 middle left, 5 centre, 6 middle right, 7 bottom left,\n"
        "                      8 bottom centre, 9 bottom right (the default).\n"
        "  --margin-x PIXELS   Distance from the left or right edge, 0 to 1000 (default 20).\n"
        "  --margin-y PIXELS   Distance from the top or bottom edge, 0 to 1000 (default 10).\n"
        "  --opacity P         Strength of the watermark in percent, 1 to 100 (default 100,\n"
        "                      full strength).\n"
        "  --scale P           Resize the watermark to P percent of each photo's width (1 to\n"
        "                      100), keeping its proportions; without it the picture keeps\n"
        "                      its own size.\n"
        "  --format F          Output format: jpeg (the default), png or bmp. The format's\n"
        "                      extension is added to a name that does not already have it.\n"
        "  --quality Q         JPEG quality from 1 to 100 (default 75), or 'source' to keep\n"
        "                      the compression of each JPEG photo (others get 75).\n"
        "  --recursive, -r     Also take the photos in the sub-folders of folder arguments;\n"
        "                      the outputs keep their sub-folder paths. Folders named 水印1\n"
        "                      to 水印10 are never entered.\n"
        "  --output-dir DIR    Put the 水印N folders into DIR. Without it they go into the\n"
        "                      first argument when that is a folder, else beside the first\n"
        "                      photo.\n"
        "  --jobs N            Photos processed at the same time (default: the number of\n"
        "                      cores); the outputs are the same whatever N is.\n"
        "  --quiet, -q         No summary line and no count of skipped files.\n"
        "  --verbose, -v       Name every skipped file.\n"
        "  --help              Show this manual.\n"
        "  --version           Show the version.\n"
        "\n");
    text += tr(
        "Photos:\n"
        "  Files named on the command line are read whatever their names. From a folder the\n"
        "  files whose names end in jpg, JPG, png or PNG are taken; other files are counted as\n"
        "  skipped. Pictures are read by their content: JPEG (also CMYK), PNG (also 16-bit),\n"
        "  BMP, TIFF, PCX and Photo CD.\n"
        "  Transparent parts of photos and watermark pictures are laid over white, so they are\n"
        "  keyed out of a watermark. A photo or picture whose EXIF says it is turned is turned\n"
        "  upright first; positions refer to the picture as viewers show it.\n"
        "  JPEG and PNG outputs keep the photo's metadata (EXIF, XMP, IPTC, colour profile,\n"
        "  resolution), without the EXIF thumbnail; BMP outputs keep none.\n"
        "  An output never replaces a photo of the run; equal names get \" (2)\", \" (3)\", ...\n"
        "\n");
    text += tr(
        "Exit status:\n"
        "  0  every output was written.\n"
        "  1  some output could not be written, or a watermark picture cannot be used (then\n"
        "     nothing is written); one line per failure on standard error.\n"
        "  2  wrong usage, or no photo found.\n"
        "  128+N  stopped by signal N (for example 130 after Ctrl+C).\n"
        "\n");
    text += tr(
        "Examples:\n"
        "  zendavo-cli --slot 1=logo.png photos\n"
        "      Writes photos/水印1/... with logo.png at the bottom right of every photo.\n"
        "  zendavo-cli -r --slot 1=logo.png --scale 20 --opacity 60 --quality source --output-dir out photos\n"
        "      All photos below photos, logo a fifth of each photo's width at 60 percent,\n"
        "      JPEG compression as in each photo, outputs under out/水印1/.\n");
    return text;
}

std::string versionText()
{
    return std::string("zendavo-cli ") + ZENDAVO_VERSION + "\n";
}

}  // namespace zendavo
