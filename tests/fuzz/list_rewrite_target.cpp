// The station list (Netradio.txt) and the feed list (Podcast.txt): read,
// normalise into rows, write back, read again. The rewritten file must give
// the same rows, or the player would change the user's list each time it
// reads it.
#include "fuzz_support.h"
#include "fuzz_targets.h"

#include "browser/list_file.h"
#include "tracklist/row_location.h"

#include <QUrl>
#include <utility>
#include <vector>

namespace {

using Row = std::pair<QString, QString>; // name, location as the track list keeps it

// A station or feed names itself with any text its server sends; here the
// text travels percent-encoded in the URL's fragment, so the fuzzer picks it.
QString NameFromServer(const QString& url) {
    const qsizetype hash = url.indexOf(QLatin1Char('#'));
    if (hash < 0)
        return QString();
    return QUrl::fromPercentEncoding(url.mid(hash + 1).toUtf8());
}

// What LoadNetRadio and LoadPodcastList show: one row per entry.
std::vector<Row> RowsOf(const browser::ListEntrySet& entries) {
    std::vector<Row> rows;
    for (const QString& entry : entries) {
        const browser::ListEntry split = browser::SplitAtLastComma(entry);
        rows.emplace_back(split.name, tracklist::ToRowLocation(split.location));
    }
    return rows;
}

// What both sources write back.
QStringList LinesOf(const std::vector<Row>& rows) {
    QStringList lines;
    for (const Row& row : rows)
        lines.append(row.first + QLatin1Char(',') + tracklist::FromRowLocation(row.second));
    return lines;
}

std::string Describe(const std::vector<Row>& rows) {
    std::string text;
    for (const Row& row : rows)
        text += "[" + row.first.toStdString() + "|" + row.second.toStdString() + "]\n";
    return text;
}

} // namespace

int fuzzListRewrite(const uint8_t* data, size_t size) {
    const QString path = fuzzsupport::scratchPath(QStringLiteral("Netradio.txt"));
    if (!fuzzsupport::writeScratch(path, fuzzsupport::bytesOf(data, size)))
        fuzzsupport::fail("cannot write the scratch list");
    const std::vector<Row> shown = RowsOf(browser::ReadListEntries(path, NameFromServer));
    fuzzsupport::check(browser::WriteListFile(path, LinesOf(shown)), "the list was not written");
    // A second read finds every line with its comma, so nothing is named again.
    const std::vector<Row> reread = RowsOf(browser::ReadListEntries(path, [](const QString&) {
        fuzzsupport::fail("a rewritten line was named again");
        return QString();
    }));
    fuzzsupport::check(shown == reread, "the rewritten list reads back to other rows",
                       "before:\n" + Describe(shown) + "after:\n" + Describe(reread));
    return 0;
}
