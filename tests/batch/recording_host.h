// A BatchHost that keeps the list and slots in plain members and records, in order, every
// visible thing the run does to it.
#pragma once

#include <array>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "batch/batch_host.h"

namespace zendavo::testing {

class RecordingHost : public BatchHost {
public:
    struct Row {
        std::string fileName;
        std::string path;
    };
    struct Slot {
        bool checked = false;
        std::optional<std::string> picture;
    };

    std::vector<Row> rows;
    std::array<Slot, 11> slots{};  // 1..10 used
    std::vector<std::string> events;
    std::function<void(RecordingHost&)> onPump;     // input handled at a pump point
    std::function<void(RecordingHost&)> onWarning;  // input handled inside the size warning
    std::function<void(int)> onProgress;            // the percent just shown
    bool stop = false;

    void add(const std::filesystem::path& path) { rows.push_back({path.filename().native(), path.native()}); }
    void tick(int slot, const std::string& picture) { slots[slot] = {true, picture}; }

    int rowCount() const override { return static_cast<int>(rows.size()); }
    std::string fileNameAt(int row) const override { return valid(row) ? rows[row].fileName : ""; }
    std::string pathAt(int row) const override { return valid(row) ? rows[row].path : ""; }
    bool slotChecked(int slot) const override { return slot >= 1 && slot <= 10 && slots[slot].checked; }
    std::optional<std::string> slotPicture(int slot) const override
    {
        return slot >= 1 && slot <= 10 ? slots[slot].picture : std::nullopt;
    }

    void useStatusLook() override { events.push_back("look"); }
    void setStatusText(const std::string& text) override { events.push_back("status:" + text); }
    void setProgress(int percent) override
    {
        events.push_back("progress:" + std::to_string(percent));
        if (onProgress) onProgress(percent);
    }
    void showMessage(const std::string& text) override { events.push_back("message:" + text); }
    void showSizeWarning(const std::string& fileName) override
    {
        events.push_back("warning:" + fileName);
        if (onWarning) onWarning(*this);
    }
    void pumpMessages() override
    {
        events.push_back("pump");
        if (onPump) onPump(*this);
    }
    void shellOpen(const std::string& folder) override { events.push_back("open:" + folder); }
    bool stopRequested() const override { return stop; }

    // Only the events that start with `prefix`, e.g. "progress:".
    std::vector<std::string> only(const std::string& prefix) const
    {
        std::vector<std::string> picked;
        for (const std::string& e : events)
            if (e.rfind(prefix, 0) == 0) picked.push_back(e);
        return picked;
    }

private:
    bool valid(int row) const { return row >= 0 && row < rowCount(); }
};

}  // namespace zendavo::testing
