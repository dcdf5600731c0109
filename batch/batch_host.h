// What a batch run needs from whoever drives it: the list, the slots, the status line, the
// progress bar, messages and the shell. The main window and the tests implement it. The run
// calls it only from the thread that called runBatch.
#pragma once

#include <optional>
#include <string>

namespace zendavo {

class BatchHost {
public:
    virtual ~BatchHost() = default;

    // The source list, read at the moment of use; a row that does not exist gives "".
    virtual int rowCount() const = 0;
    virtual std::string fileNameAt(int row) const = 0;
    virtual std::string pathAt(int row) const = 0;

    // Slots 1 to 10: ticked or not, and the chosen picture (nullopt while none is chosen).
    virtual bool slotChecked(int slot) const = 0;
    virtual std::optional<std::string> slotPicture(int slot) const = 0;

    // The status line loses its link look (no underline, black) from the first run on.
    virtual void useStatusLook() = 0;
    virtual void setStatusText(const std::string& text) = 0;
    virtual void setProgress(int percent) = 0;

    virtual void showMessage(const std::string& text) = 0;
    // "水印图片大于原图，可能造成加水印失败" for `fileName`; returns when acknowledged.
    virtual void showSizeWarning(const std::string& fileName) = 0;
    // At the start of every stage, after its status text.
    virtual void pumpMessages() = 0;
    virtual void shellOpen(const std::string& folder) = 0;

    // True once the run must stop (the window is closing): no further photo starts, the ones in
    // progress are finished. Polled while the workers are busy.
    virtual bool stopRequested() const { return false; }
};

}  // namespace zendavo
