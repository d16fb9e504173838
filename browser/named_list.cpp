// The shape the radio and podcast lists share: a list file beside the
// executable whose bare URLs are named by a lookup (shown in the title label
// as "URL -> name"), read into code-unit order and written back normalised.
#include "browser/form_view.h"

#include "platform/close_request.h"
#include "platform/module_path.h"
#include "tracklist/list_view.h"

#include <QListWidget>
#include <QSignalBlocker>

namespace browser {

QString CFormView::ListFilePath(const QString& name) const {
    return listFolder_.isEmpty() ? platform::userFilePath(name) : listFolder_ + name;
}

std::vector<ListEntry> CFormView::ReadNamedList(const QString& fileName, const EntryNamer& nameOf) {
    {
        const QSignalBlocker quiet(entries_);
        entries_->clear();
    }
    trackList_->ClearRows();
    const ListEntrySet lines = ReadListEntries(ListFilePath(fileName), [&](const QString& url) {
        ShowTitle(url + QStringLiteral(" -> "));
        const QString name = nameOf(url);
        ShowTitle(url + QStringLiteral(" -> ") + name);
        return name;
    });
    ShowTitle(QString());
    std::vector<ListEntry> entries;
    entries.reserve(lines.size());
    for (const QString& line : lines)
        entries.push_back(SplitAtLastComma(line));
    return entries;
}

void CFormView::RewriteNamedList(const QString& fileName, const std::vector<ListEntry>& entries) {
    if (platform::closeRequested())
        return;
    QStringList lines;
    for (const ListEntry& entry : entries)
        lines.append(entry.name + QLatin1Char(',') + entry.location);
    WriteListFile(ListFilePath(fileName), lines);
}

} // namespace browser
