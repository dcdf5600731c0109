// The data a file manager's drop of local files carries, for the drop tests of the list and
// of the main window.
#pragma once

#include <QList>
#include <QMimeData>
#include <QStringList>
#include <QUrl>

#include <memory>

namespace zendavo::testing {

inline std::unique_ptr<QMimeData> filesMime(const QStringList& paths)
{
    auto mime = std::make_unique<QMimeData>();
    QList<QUrl> urls;
    for (const QString& p : paths) urls.push_back(QUrl::fromLocalFile(p));
    mime->setUrls(urls);
    return mime;
}

}  // namespace zendavo::testing
