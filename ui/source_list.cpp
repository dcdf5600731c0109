#include "ui/source_list.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QHeaderView>
#include <QMimeData>
#include <QUrl>

#include "batch/image_names.h"
#include "platform/desktop_services.h"

namespace zendavo {

namespace {

constexpr int kPathRole = Qt::UserRole;
constexpr int kNameRole = Qt::UserRole + 1;

// The path of a file: URL as raw bytes, so names that are not valid UTF-8 survive.
std::string localPathBytes(const QUrl& url)
{
    const QByteArray encoded = url.path(QUrl::FullyEncoded).toLatin1();
    return QByteArray::fromPercentEncoding(encoded).toStdString();
}

// Only the names are taken: a proposed move must never make the file manager delete the files.
void acceptAsCopy(QDropEvent& event)
{
    event.setDropAction(Qt::CopyAction);
    event.accept();
}

}  // namespace

SourceList::SourceList(QWidget* parent) : QTreeWidget(parent)
{
    setColumnCount(2);
    setHeaderLabels({QString::fromUtf8("文件名"), QString::fromUtf8("路径")});
    header()->setSectionsClickable(true);
    header()->setStretchLastSection(false);
    header()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    header()->resizeSection(0, 100);
    header()->resizeSection(1, 500);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSortingEnabled(false);
    setFrameShape(QFrame::StyledPanel);
    setFrameShadow(QFrame::Sunken);
    setDragDropMode(QAbstractItemView::DropOnly);
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);

    QPalette p = palette();
    p.setColor(QPalette::Base, Qt::white);
    p.setColor(QPalette::Text, Qt::black);
    // The selection is not shown while the list lacks the focus.
    p.setColor(QPalette::Inactive, QPalette::Highlight, Qt::white);
    p.setColor(QPalette::Inactive, QPalette::HighlightedText, Qt::black);
    setPalette(p);
}

int SourceList::rowCount() const
{
    return topLevelItemCount();
}

std::string SourceList::fileNameAt(int row) const
{
    const QTreeWidgetItem* item = row >= 0 ? topLevelItem(row) : nullptr;
    return item ? item->data(0, kNameRole).toByteArray().toStdString() : std::string();
}

std::string SourceList::pathAt(int row) const
{
    const QTreeWidgetItem* item = row >= 0 ? topLevelItem(row) : nullptr;
    return item ? item->data(0, kPathRole).toByteArray().toStdString() : std::string();
}

void SourceList::appendRow(const std::string& fileName, const std::string& path)
{
    auto* item = new QTreeWidgetItem(QStringList{pathToText(fileName), pathToText(path)});
    item->setData(0, kNameRole, QByteArray::fromStdString(fileName));
    item->setData(0, kPathRole, QByteArray::fromStdString(path));
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    addTopLevelItem(item);  // the tree owns the item
}

void SourceList::clearRows()
{
    clear();
}

int SourceList::appendAccepted(const std::vector<std::string>& paths)
{
    int added = 0;
    for (const std::string& path : paths) {
        const std::string name = fileNameOf(path);
        if (!isAcceptedName(name)) continue;
        appendRow(name, path);
        ++added;
    }
    return added;
}

void SourceList::setDropsAllowed(bool allowed)
{
    dropsAllowed_ = allowed;
}

std::string SourceList::fileNameOf(std::string_view path)
{
    const auto slash = path.rfind('/');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

bool SourceList::isAcceptedName(std::string_view name)
{
    return isListedImageName(name);
}

std::vector<std::string> SourceList::droppedPaths(const QMimeData& mime)
{
    std::vector<std::string> paths;
    for (const QUrl& url : mime.urls()) {
        if (url.isLocalFile()) paths.push_back(localPathBytes(url));
    }
    return paths;
}

bool SourceList::takes(const QMimeData* mime) const
{
    return dropsAllowed_ && mime && !droppedPaths(*mime).empty();
}

void SourceList::dragEnterEvent(QDragEnterEvent* event)
{
    if (takes(event->mimeData())) {
        acceptAsCopy(*event);
    } else {
        event->ignore();
    }
}

void SourceList::dragMoveEvent(QDragMoveEvent* event)
{
    if (takes(event->mimeData())) {
        acceptAsCopy(*event);
    } else {
        event->ignore();
    }
}

void SourceList::dropEvent(QDropEvent* event)
{
    if (!takes(event->mimeData())) {
        event->ignore();
        return;
    }
    acceptAsCopy(*event);
    emit filesDropped(droppedPaths(*event->mimeData()));
}

}  // namespace zendavo
