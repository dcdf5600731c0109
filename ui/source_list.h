// The list of images a run processes: two columns, file name and full path, filled by drops of
// local files only. Paths are kept as the bytes the file system uses.
#pragma once

#include <QTreeWidget>

#include <string>
#include <string_view>
#include <vector>

class QMimeData;

namespace zendavo {

class SourceList : public QTreeWidget {
    Q_OBJECT
public:
    explicit SourceList(QWidget* parent = nullptr);

    int rowCount() const;
    // Empty for an index that is not a row.
    std::string fileNameAt(int row) const;
    std::string pathAt(int row) const;

    void appendRow(const std::string& fileName, const std::string& path);
    void clearRows();
    // Appends every path whose name passes isAcceptedName, in order; returns how many.
    int appendAccepted(const std::vector<std::string>& paths);

    // While false, drops are refused (a run is reading the list).
    void setDropsAllowed(bool allowed);
    bool dropsAllowed() const { return dropsAllowed_; }

    // The part after the last '/', or the whole path.
    static std::string fileNameOf(std::string_view path);
    // Only the last three bytes count: "jpg", "JPG", "png" or "PNG".
    static bool isAcceptedName(std::string_view name);
    // The local files of a drop, in the order given, as path bytes.
    static std::vector<std::string> droppedPaths(const QMimeData& mime);

signals:
    void filesDropped(const std::vector<std::string>& paths);

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    bool takes(const QMimeData* mime) const;

    bool dropsAllowed_ = true;
};

}  // namespace zendavo
