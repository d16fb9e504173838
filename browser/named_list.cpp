// The shape the radio and podcast lists share: a list file beside the
// executable whose bare URLs are named by a lookup (shown in the title label
// as "URL -> name"), read into code-unit order and written back normalised.
#include "browser/form_view.h"

#include "platform/module_path.h"
#include "tracklist/list_view.h"

#include <QListWidget>
#include <QSignalBlocker>

namespace browser {

QString CFormView::ListFilePath(const QString& name) const {
    return listFolder_.isEmpty() ? platform::userFilePath(name) : listFolder_ + name;
}

void CFormView::LoadNamedListInBackground(const QString& fileName, audio::net::HttpLimits limits,
                                          BackgroundNamer nameOf,
                                          std::function<void(const std::vector<ListEntry>&)> show) {
    {
        const QSignalBlocker quiet(entries_);
        entries_->clear();
    }
    const platform::CancelToken token = BeginLoad({});
    limits.abortRequested = token.check();
    platform::runInBackground(
        token,
        [path = ListFilePath(fileName), limits, token, nameOf = std::move(nameOf),
         showTitle = TitlePoster(token)] {
            const EntryNamer lookUp = [&](const QString& url) {
                return nameOf(url, limits, showTitle);
            };
            return LoadNamedList(path, lookUp, token, showTitle);
        },
        [this, show = std::move(show)](const std::vector<ListEntry>& entries) {
            show(entries);
            EndLoad();
        });
}

std::vector<ListEntry> ReadNamedList(const QString& path, const EntryNamer& nameOf,
                                     const std::function<void(const QString&)>& showTitle) {
    const ListEntrySet lines = ReadListEntries(path, [&](const QString& url) {
        showTitle(url + QStringLiteral(" -> "));
        const std::optional<QString> name = nameOf(url);
        showTitle(url + QStringLiteral(" -> ") + name.value_or(QString()));
        return name;
    });
    std::vector<ListEntry> entries;
    entries.reserve(lines.size());
    for (const QString& line : lines)
        entries.push_back(SplitAtLastComma(line));
    return entries;
}

std::vector<ListEntry> LoadNamedList(const QString& path, const EntryNamer& nameOf,
                                     const platform::CancelToken& token,
                                     const std::function<void(const QString&)>& showTitle) {
    std::vector<ListEntry> entries = ReadNamedList(path, nameOf, showTitle);
    // A load cancelled or cut short by the close request writes nothing: a
    // lookup that did not finish must not cost a bare URL its next one.
    if (token.cancelled())
        return entries;
    QStringList lines;
    for (const ListEntry& entry : entries)
        lines.append(ListLine(entry));
    WriteListFile(path, lines);
    return entries;
}

} // namespace browser
