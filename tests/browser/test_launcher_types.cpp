// The launcher entry (packaging/quaverly.desktop) claims the type of every file
// the browser opens, so that file managers offer the player for each of them.
#include "browser/form_view.h"

#include <QFile>
#include <QMap>
#include <QSet>
#include <gtest/gtest.h>

namespace {

QSet<QString> ClaimedTypes() {
    QFile entry(QStringLiteral(QUAVERLY_TESTS_SOURCE_DIR "/../packaging/quaverly.desktop"));
    if (!entry.open(QIODevice::ReadOnly))
        return {};
    for (const QByteArray& line : entry.readAll().split('\n')) {
        if (line.startsWith("MimeType=")) {
            const QStringList types =
                QString::fromUtf8(line.mid(9)).split(u';', Qt::SkipEmptyParts);
            return QSet<QString>(types.cbegin(), types.cend());
        }
    }
    return {};
}

// Extension (".pls") -> the types shared-mime-info gives it by name alone
// (globs2 lines "weight:type:*.ext").
QMap<QString, QStringList> TypesByExtension(const QByteArray& globs) {
    QMap<QString, QStringList> types;
    for (const QByteArray& line : globs.split('\n')) {
        const QList<QByteArray> fields = line.split(':');
        if (fields.size() < 3 || !fields[2].startsWith("*.") || fields[2].indexOf('*', 1) >= 0)
            continue;
        types[QString::fromUtf8(fields[2].mid(1))].append(QString::fromUtf8(fields[1]));
    }
    return types;
}

} // namespace

// Audio and playlist types are needed; a video type only for an extension
// that has no other (.mp4), not the MPEG or Theora video that shares .mp2
// and .ogg with audio.
TEST(LauncherEntry, ClaimsTheTypesOfEveryFileTheBrowserOpens) {
    QFile globs(QStringLiteral("/usr/share/mime/globs2"));
    if (!globs.open(QIODevice::ReadOnly))
        GTEST_SKIP() << "shared-mime-info is not installed";
    const QSet<QString> claimed = ClaimedTypes();
    ASSERT_FALSE(claimed.isEmpty());
    const QMap<QString, QStringList> byExtension = TypesByExtension(globs.readAll());
    int opened = 0;
    for (auto it = byExtension.cbegin(); it != byExtension.cend(); ++it) {
        const QString name = u"a"_qs + it.key();
        if (!browser::IsAudioFile(name) && !browser::IsPlaylistFile(name))
            continue;
        ++opened;
        QStringList needed;
        for (const QString& type : it.value())
            if (!type.startsWith(u"video/"_qs))
                needed.append(type);
        if (needed.isEmpty())
            needed = it.value();
        for (const QString& type : needed)
            EXPECT_TRUE(claimed.contains(type))
                << type.toStdString() << " (" << it.key().toStdString() << ")";
    }
    EXPECT_GE(opened, 15) << "shared-mime-info knows most of the extensions";
}
